// Where the programs find the plug-in: beside their own executable, as
// installed (bin/ and lib/vst/) or as built (one folder), then in the folders
// Linux hosts scan for VST plug-ins.
#pragma once

#include <string>

// The first of those places that holds the plug-in. Throws a HostError
// naming every place looked in when none does.
std::string findPlugin();

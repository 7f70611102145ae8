// Where the programs find the plug-in: beside their own executable, as
// installed (bin/ and lib/vst/) or as built (one folder).
#pragma once

#include <string>

// Throws a HostError when neither place can be worked out.
std::string pluginBesideExecutable();

// --program N|NAME, shared by the programs that host the plug-in.
#pragma once

#include <string>

#include "host/PluginHost.h"

// The index of a program given by number (from 0) or by name (any case).
// Throws a UsageError naming the valid range and the plug-in's names.
int programChosen(PluginHost& plugin, const std::string& numberOrName);

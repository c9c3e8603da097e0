#pragma once

#include "base/ErrorOr.h"

#include <string>
#include <vector>

class DefectMarker;

// The marking commands of scripts:
//   mark X Y KIND     X and Y in device pixels of the screen; KIND is hot,
//                     dead, stuck-red, stuck-green, stuck-blue or stuck-off
//   unmark X Y
//   export-report PATH  writes PATH.json, PATH.csv and PATH.png
class DefectScriptCommands {
public:
    // Adds the commands to the script language; call before scripts are read.
    static void addToScripts();
    // Carries out one of them on the marker; anything else is an error.
    static ErrorOr<void> run(DefectMarker&, const std::string& name, const std::vector<std::string>& arguments);
};

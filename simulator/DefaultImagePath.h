#pragma once
// Where the simulated player keeps its flash unless told otherwise, shared by
// the command-line tool and the simulator build of the program:
//   $XDG_DATA_HOME/mellifon/player.img, else ~/.local/share/mellifon/player.img;
//   a Windows build under Wine finds the same file through Wine's Z: drive;
//   on Windows itself it is %LOCALAPPDATA%\mellifon\player.img.

#include <string>

std::string DefaultPlayerImagePath();

// Creates the folders above the image file; false with a reason on failure.
bool MakeImageFolder(const std::string& imagePath, std::string* error);

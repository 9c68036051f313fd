#pragma once
// What the user gave to upload (files chosen or dropped), as the files to
// upload, in order.

#include <string>
#include <vector>

std::vector<std::string> UploadItemsToFiles(const std::vector<std::string>& items);

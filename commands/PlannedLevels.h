#pragma once
// Levelling decided for the files of a plan, before anything is written:
// each file's loudness from its tags, or measured in a pass over its sound
// (with its progress, as a conversion's), and the gain that brings it to the
// target. A converted file gets its gain in the conversion; an MP3 stored as
// its frames in the steps of their global gain; a Layer I or II file, whose
// frames have none, is left as it is, and its note says so.

#include <vector>

#include "commands/UploadPlan.h"

class UserInterface;

// Levels the files to be stored (not refused, skipped or left over); false
// when the user stopped a measurement (Cancel, Ctrl+C), and then nothing of
// the plan is to be carried out.
bool LevelPlannedFiles(std::vector<PlannedFile>& files, UserInterface& ui);

// The files of these that are levelled (their gain is not nothing).
int LevelledCount(const std::vector<PlannedFile>& files);

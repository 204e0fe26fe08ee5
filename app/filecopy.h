#pragma once
// The copy of one file into the program directory.

#include <QString>

namespace vyn {

// Copies the file into `targetDir` under its own name, replacing a file of that
// name. The copy is written under a temporary name beside the target and renamed
// over it, so a failed copy never leaves a half-written file. Returns 0 or the
// system's error code (errno).
int CopySingleFile(const QString& fileName, const QString& targetDir);

// Removes the temporary files of copies into `dir` that were killed part-way
// (".name.XXXXXX", untouched for a minute: a copy still running keeps writing).
void removeCopyLeftovers(const QString& dir);

} // namespace vyn

#pragma once

#include <string>

namespace kt {

class AnswerStore;

// Writes the answer data file that belongs to the document at documentPath (same folder and
// name, extension "dat"). False with the reason in *error when it could not be written.
bool SaveDataFile(const std::string& documentPath, const AnswerStore& answers,
                  std::string* error = nullptr);

} // namespace kt

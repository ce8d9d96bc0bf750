// Rules for finding the uninstaller of a previously installed version.
// Portable: no Windows headers.
#pragma once

#include <cstddef>

// A settings value counts as missing when it is empty or begins with "@"
// (the default returned for a missing key or file).
bool SettingMissing(const char* value);

constexpr int kMaxPreviousCandidates = 4;
constexpr std::size_t kCandidatePathSize = 280;  // 255-character value + name

// Uninstaller names of this and related packages, tried in this order when
// the settings name none.
extern const char* const kPreviousUninstallerNames[kMaxPreviousCandidates];

// Fills paths with the candidate uninstaller paths for the installed
// directory velmDir and the settings value deleteFile: the DeleteFile name
// alone when it is given, otherwise the four fixed names. A candidate that
// does not fit its buffer is left out. Returns the number of candidates.
int PreviousUninstallerCandidates(const char* velmDir, const char* deleteFile,
                                  char (*paths)[kCandidatePathSize]);

// The removal is offered only when an uninstaller was found, the string
// table has the offer's text, and the directory value is neither empty nor
// begins with "@".
bool PreviousRemovalOffered(bool uninstallerFound, bool hasOfferText, const char* velmDir);

#pragma once
// The designs opened last, kept between runs in a small text file beside the settings file: one
// absolute path a line, the most recent first. The settings file itself does not change.

#include <cstddef>
#include <string>
#include <vector>

namespace tavrine {

// Most designs the list keeps.
inline constexpr size_t kRecentDesignCount = 5;
// Name of the list's file inside the settings folder.
inline constexpr const char* kRecentDesignsFileName = "RecentDesigns.txt";
// Longest path the list keeps, in bytes; a longer line of the file is skipped.
inline constexpr size_t kRecentDesignPathMax = 4096;

// Returns the path of the list's file in settingsFolder (which ends with a slash).
std::string recentDesignsFile(const std::string& settingsFolder);

// Returns whether a and b name the same file: their real paths (links followed) are equal, or,
// when a path cannot be resolved, its absolute form as far as it exists.
bool isSameDesignFile(const std::string& a, const std::string& b);

// Reads the list at path, most recent first, at most kRecentDesignCount entries. Lines that are
// empty, not absolute, longer than kRecentDesignPathMax or hold control characters are skipped,
// as is a second line naming a file already listed; a missing or unreadable file gives an empty
// list. Only the first 64 KiB of the file are read.
std::vector<std::string> readRecentDesigns(const std::string& path);

// Writes list to path (its first kRecentDesignCount storable entries, one a line), replacing
// the old file atomically; the folder is created when missing. Returns false with error (when
// not null) set to "Failed to open file." and the reason, leaving the old file as it was.
bool writeRecentDesigns(const std::string& path, const std::vector<std::string>& list,
                        std::string* error);

// Returns list with design first and any other entry for the same file dropped, cut to
// kRecentDesignCount entries. A design whose path cannot be stored (see readRecentDesigns)
// leaves list as it is.
std::vector<std::string> withRecentDesign(const std::vector<std::string>& list,
                                          const std::string& design);

// Returns list without the entries that name design's file.
std::vector<std::string> withoutRecentDesign(const std::vector<std::string>& list,
                                             const std::string& design);

// Reads the list at path, puts design first and writes it back, so that what another run wrote
// meanwhile is kept. Returns the new list; error (when not null) receives the writer's message
// when the file could not be written (the list is returned all the same).
std::vector<std::string> noteRecentDesign(const std::string& path, const std::string& design,
                                          std::string* error);

// Reads the list at path, removes design's file from it and writes it back; returns the new list
// and reports a write failure as noteRecentDesign does.
std::vector<std::string> forgetRecentDesign(const std::string& path, const std::string& design,
                                            std::string* error);

}  // namespace tavrine

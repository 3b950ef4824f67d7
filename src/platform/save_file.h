#pragma once
// Whole-file reading and crash-safe replacing of the program's settings files.
//
// A settings file is never rewritten in place: the new content goes to a
// temporary file in the same folder, is flushed to the disk, and is then moved
// over the old file in one step. A crash, a kill or a full disk at any moment
// leaves either the complete old file or the complete new one, never a
// truncated, empty or missing file.
#include <string>
#include <string_view>

namespace kb {

// What reading a whole file found.
enum class ReadOutcome {
  kRead,
  kMissing,     // no such file (or folder on the way)
  kUnreadable,  // there, but it could not be opened or read (sharing
                // violation, permissions, I/O error): its content is unknown
};

// Reads the whole file into `bytes` (empty unless read), with a diagnostic
// line when the file is there but cannot be read.
ReadOutcome ReadWholeFile(const std::wstring& path, std::string& bytes);
// The same, true only when read.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);

// Replaces the file at `path` with `bytes` as described above. False, with a
// diagnostic line, when the file could not be replaced; the old file is then
// untouched and no temporary file is left behind.
bool SaveFileAtomically(const std::wstring& path, std::string_view bytes);

// Whether a new file can be made at `path` (which must not exist): it is
// created and deleted again, with nothing flushed to the disk, so this costs
// no disk write where SaveFileAtomically costs two. False, with a diagnostic
// line, when it cannot be created.
bool CanCreateFile(const std::wstring& path);

// The prefix of the temporary files SaveFileAtomically creates beside `path`
// (the file name followed by this marker, a process id and a counter). A kill
// between creating and renaming one leaves it behind; it is never read.
inline constexpr wchar_t kSaveTempMarker[] = L".saving-";

// Whether `name` (a file name without folder) is one of those temporaries of
// the settings file named `fileName`: the name, the marker, then digits and
// one dash between them ("macro.xml.saving-412-7").
bool IsSaveTempName(std::wstring_view name, std::wstring_view fileName);

// Deletes the temporaries a killed process left beside `path`. Only for a
// process that knows nobody else is saving that file now (the single running
// instance). Returns how many were removed.
int RemoveLeftoverSaveTemps(const std::wstring& path);

}  // namespace kb

// Folders, paths and file metadata.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::platform {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// a + separator + b, with exactly one separator between them.
std::wstring joinPath(const std::wstring& a, const std::wstring& b);
// The last component of a path (after the last separator of either kind).
std::wstring fileNameOf(const std::wstring& path);

// The per-user application-data folder; QUILLMERE_APPDATA replaces it when set.
std::wstring appDataFolder();

// Whether anything has that name: a file, a folder, or a link (even one that leads nowhere).
bool pathExists(const std::wstring& path);
bool isFolder(const std::wstring& path);
// A pipe or socket: reading one waits for a writer that may never come, so it is never a source.
bool isStreamNode(const std::wstring& path);
int createFolderTree(const std::wstring& path);
// A folder the program fills itself (a type group, a recovered folder): created when missing,
// with any missing parents; 0 only when the name is a real folder, not a link to one, so that
// nothing is written through a link out of the destination. A file or link of that name gives
// kErrorAlreadyExists.
int createOwnFolder(const std::wstring& path);
// Deletes a folder with everything in it; 0 when it did not exist.
int deleteTree(const std::wstring& path);
int deleteFile(const std::wstring& path);
// Marks a file hidden (the preview's copies of private files); POSIX has no such flag: 0.
int setHidden(const std::wstring& path);
// Moves a file; with replace, an existing target is replaced in one step.
int moveFile(const std::wstring& from, const std::wstring& to, bool replace);
// The names in a folder (no "." or ".."), sorted by name, ignoring case.
int listFolder(const std::wstring& path, std::vector<std::wstring>& names);
// Last-write time as a FILETIME (100 ns ticks since 1601-01-01 UTC).
int lastWriteTime(const std::wstring& path, uint64_t& fileTime);
// Sets a file's last-write and last-access times (FILETIMEs); a 0 leaves that time alone.
int setFileTimes(const std::wstring& path, uint64_t modified, uint64_t accessed);
// Free bytes of the volume behind a drive letter; 0 when it cannot be learned.
uint64_t driveFreeBytes(wchar_t driveLetter);

}  // namespace qm::platform

// File names as the program's code page spells them: where a name begins,
// where a file named in another file lies, and how a written file names a
// file beside it. A '\' may be the second byte of a double-byte character
// (U+8868 is 0x95 0x5C in code page 932), so separators are found
// character by character.
#pragma once

#include <cstddef>
#include <string>

namespace standin {

// The first separator of `path` at or after `from` (where a character
// begins), or npos.
std::size_t NextSeparator(const std::string& path, std::size_t from);
// Where the last part of `path` begins: after its last separator, or 0.
std::size_t NameStart(const std::string& path);
// The path as the system completes it from the current folder.
std::string FullPath(const std::string& path);
// Where a file named in another file is found: beside that file unless the
// name is absolute.
std::string BesideFile(const std::string& file, const std::string& name);
// Whether two names name one file, as the system compares them: without
// regard to case ("ad" and "AD", "ａｄ" and "ＡＤ").
bool SameFileName(const std::string& a, const std::string& b);
// Whether two paths, each completed from the current folder, name one file.
bool SameFile(const std::string& a, const std::string& b);
// Whether the file at `path` exists (a folder does not count).
bool FileExists(const std::string& path);
// Whether `path` names a folder.
bool IsFolder(const std::string& path);
// Why the file at `path` cannot be opened for reading, after the attempt
// failed: it is a folder, or the system's reason. Begins with the path.
std::string CannotOpen(const std::string& path);
// Whether the file at `path` begins with the bytes `start`: how a file this
// program wrote is told from one it must not replace.
bool FileBeginsWith(const std::string& path, const std::string& start);
// The folder and those above it that do not exist yet, as mkdir -p makes
// them; false, with errno set, when one of them cannot be a folder.
bool MakeFolders(const std::string& folder);
// How a file written to `writtenPath` names `full` (a full path): from the
// written file's folder (rec.csv, ..\rec.csv) when both lie on one
// drive or share, so that a tree of files can move whole, and in full
// otherwise.
std::string NameFrom(const std::string& writtenPath, const std::string& full);

}  // namespace standin

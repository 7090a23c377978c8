#pragma once
// What went wrong with a file, in the words a player is told it. The errors
// are Windows system error codes (GetLastError), as the safe writer reports
// them on Windows. Pure, but for the last two functions (Windows build only:
// file_problem_win.cpp), which look at the file system.

#include <string>

enum class E_FILE_PROBLEM {
    IN_USE,  // another program holds the file and does not let it be replaced
    DISK_FULL,
    ACCESS_DENIED,  // a read-only file or folder, or no right to write there
    WRITE_PROTECTED,  // the medium itself takes no writes
    FOLDER_MISSING,  // the folder the file belongs in is not there
    NAME_IS_FOLDER,  // a folder has the file's name (found by looking, not by the error)
    OTHER,  // the system's own text says it
};

E_FILE_PROBLEM FileProblemOf(unsigned long windowsError);

// One short clause in each language, without a final stop: "the disk is
// full". OTHER has none (null): the caller gives the system's text.
struct FileProblemWords {
    const wchar_t* japanese;
    const wchar_t* english;
};
FileProblemWords DescribeFileProblem(E_FILE_PROBLEM problem);

// The problem behind `windowsError`, found when writing the file at `path`:
// a folder in the file's place is told as such whatever the error was. Call
// it right after the failure, before anything changes the folder.
E_FILE_PROBLEM DiagnoseFileFailure(const std::wstring& path, unsigned long windowsError);
// The system's own description of `windowsError`, without its line break;
// empty when it has none.
std::wstring SystemErrorText(unsigned long windowsError);
// The same, or "error N" when the system has no words for it.
std::wstring SystemErrorTextOrNumber(unsigned long windowsError);

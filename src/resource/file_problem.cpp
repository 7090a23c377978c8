#include "resource/file_problem.h"

namespace {

// The Windows system error codes, spelled out so that this file needs no
// <windows.h>.
struct ErrorProblem {
    unsigned long error;
    E_FILE_PROBLEM problem;
};
constexpr ErrorProblem ERROR_PROBLEMS[] = {
    {3, E_FILE_PROBLEM::FOLDER_MISSING},  // ERROR_PATH_NOT_FOUND
    {5, E_FILE_PROBLEM::ACCESS_DENIED},  // ERROR_ACCESS_DENIED
    {19, E_FILE_PROBLEM::WRITE_PROTECTED},  // ERROR_WRITE_PROTECT
    {32, E_FILE_PROBLEM::IN_USE},  // ERROR_SHARING_VIOLATION
    {33, E_FILE_PROBLEM::IN_USE},  // ERROR_LOCK_VIOLATION
    {39, E_FILE_PROBLEM::DISK_FULL},  // ERROR_HANDLE_DISK_FULL
    {112, E_FILE_PROBLEM::DISK_FULL},  // ERROR_DISK_FULL
    {1224, E_FILE_PROBLEM::IN_USE},  // ERROR_USER_MAPPED_FILE: another program maps it
    {1295, E_FILE_PROBLEM::DISK_FULL},  // ERROR_DISK_QUOTA_EXCEEDED: full for this user
};

}  // namespace

E_FILE_PROBLEM FileProblemOf(unsigned long windowsError) {
    for (const ErrorProblem& row : ERROR_PROBLEMS) {
        if (row.error == windowsError) return row.problem;
    }
    return E_FILE_PROBLEM::OTHER;
}

FileProblemWords DescribeFileProblem(E_FILE_PROBLEM problem) {
    switch (problem) {
    case E_FILE_PROBLEM::IN_USE:
        return {L"ほかのプログラムがファイルを使用しています", L"the file is in use by another program"};
    case E_FILE_PROBLEM::DISK_FULL:
        return {L"ディスクがいっぱいです", L"the disk is full"};
    case E_FILE_PROBLEM::ACCESS_DENIED:
        return {L"アクセスが拒否されました", L"access is denied"};
    case E_FILE_PROBLEM::WRITE_PROTECTED:
        return {L"ディスクが書き込み禁止です", L"the disk is write-protected"};
    case E_FILE_PROBLEM::FOLDER_MISSING:
        return {L"保存先のフォルダがありません", L"the folder it belongs in is missing"};
    case E_FILE_PROBLEM::NAME_IS_FOLDER:
        return {L"同じ名前のフォルダがあります", L"a folder has the file's name"};
    case E_FILE_PROBLEM::OTHER:
        break;
    }
    return {nullptr, nullptr};
}

#include "tools/check/check.h"
#include "tools/common/tool_main.h"

int RunTool(const std::vector<std::wstring>& args) {
    std::string out;
    std::string err;
    const int status = RunCheck(args, out, err);
    PrintOut(out);
    PrintErr(err);
    return status;
}

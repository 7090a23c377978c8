#include "tools/common/tool_main.h"
#include "tools/pack/pack.h"

int RunTool(const std::vector<std::wstring>& args) {
    std::string out;
    std::string err;
    const int status = RunPack(args, out, err);
    PrintOut(out);
    PrintErr(err);
    return status;
}

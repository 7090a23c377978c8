#include "tools/pack/play.h"

int RunPlay(const std::vector<std::wstring>& args, const PlayPrint&, const PlayPrint& err) {
    std::string problem;
    if (!ParsePlayArgs(args, problem)) {
        err(problem + "\n\n" + PlayUsage());
        return 2;
    }
    err("play: the game runs only on Windows: use the Windows build of ondrell-pack (on Linux, under Wine: "
        "./play --game DIR)\n");
    return 1;
}

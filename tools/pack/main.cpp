#include <cstdio>

#include "tools/common/tool_main.h"
#include "tools/pack/pack.h"
#include "tools/pack/play.h"
#include "tools/pack/release.h"

int RunTool(const std::vector<std::wstring>& args) {
    if (args.size() == 2 && args[0] == L"play" && (args[1] == L"--help" || args[1] == L"-h")) {
        PrintOut(PlayUsage());
        return 0;
    }
    if (!args.empty() && args[0] == L"play") {
        // Lines as they come: the loop runs as long as the game.
        const PlayPrint out = [](const std::string& text) {
            PrintOut(text);
            std::fflush(stdout);
        };
        const PlayPrint err = [](const std::string& text) {
            PrintErr(text);
            std::fflush(stderr);
        };
        return RunPlay(std::vector<std::wstring>(args.begin() + 1, args.end()), out, err);
    }
    std::string out;
    std::string err;
    const std::wstring command = args.empty() ? L"" : args[0];
    const int status = command == L"check"     ? RunSourcesCheck(args, out, err)
                       : command == L"release" ? RunRelease(args, out, err)
                       : command == L"zip"     ? RunZip(args, out, err)
                                               : RunPack(args, out, err);
    PrintOut(out);
    PrintErr(err);
    return status;
}

// Quillbox2: packs every folder of a list into one archive each.

#include "ClipboardKeeper.h"
#include "RunOptions.h"
#include "Startup.h"
#ifdef QB_TEST_ACTIONS
#include "TestActions.h"
#endif
#include "engine/ProgramArguments.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], qb::app::kClipboardKeeperSwitch) == 0)
        return qb::app::RunClipboardKeeper(argc, argv);

#ifdef QB_TEST_ACTIONS
    EnableTestActionsPlayer();
#endif
    // Options, help and version need no display: they are answered before Qt starts.
    const bool japanese = qb::app::JapaneseLocale();
    const qb::app::ParsedOptions parsed =
        qb::app::ParseRunOptions(std::vector<std::string>(argv + 1, argv + argc), japanese);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s\n%s", parsed.error.c_str(), qb::app::UsageText(japanese).c_str());
        return qb::app::kExitUsage;
    }
    if (parsed.options.help || parsed.options.version) {
        std::fputs(
            (parsed.options.help ? qb::app::HelpText(japanese) : qb::app::VersionText(japanese))
                .c_str(),
            stdout);
        return 0;
    }
    const std::string commandText = qb::engine::BuildCommandText(parsed.options.arguments);
    return qb::app::RunProgram(argv, commandText, parsed.options);
}

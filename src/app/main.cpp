// Quillbox2: packs every folder of a list into one archive each.

#include "ClipboardKeeper.h"
#include "Startup.h"
#ifdef QB_TEST_ACTIONS
#include "TestActions.h"
#endif
#include "engine/ProgramArguments.h"

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], qb::app::kClipboardKeeperSwitch) == 0)
        return qb::app::RunClipboardKeeper(argc, argv);

#ifdef QB_TEST_ACTIONS
    EnableTestActionsPlayer();
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string commandText = qb::engine::BuildCommandText(args);
    return qb::app::RunProgram(argc, argv, commandText);
}

// The shared library exports exactly the plug-in interface, in one version node.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "plugkit.h"

namespace {

std::set<std::string> expectedExports() {
    std::set<std::string> names = {
        "piLibInit", "piLibFuncInit", "piLibDefault", "piInitVar", "piReturnKxVarDbl", "piReturnKxVarInt",
        "piReturnKxVarStr", "piReturnKxVarPnt", "piReturnKxVarPtr", "piGetLocalPluginProperty",
        "piSetLocalPluginProperty", "plkTracePrintf", "plkTracePrintfF", "plkSetUiCallbacks", "ErrorMessage",
        "GetChar", "FlushLine", "RewindLine", "GetLine", "GetNextArg", "PutLine", "AddExt", "AddNewExt",
        "BuildFilter", "SetDlgItemDouble", "GetDlgItemDouble", "dtoa", "ScreenToClientRect", "PrintFont",
        "InitTransform", "RotateZ", "Rotate"};
#define EXPORT_NAME(ord, exportName, hostName, kinds, params, args) names.insert(#exportName);
    KXPLUGIN_HOST_FUNCTIONS(EXPORT_NAME)
#undef EXPORT_NAME
    return names;
}

TEST(PlugkitExports, ExactlyTheInterfaceInPlugkit1) {
    const std::string command = std::string("nm -D --with-symbol-versions --defined-only ") + KALVEX_PLUGKIT_FILE;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0) << out;
    std::set<std::string> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string address, type, symbol;
        fields >> address >> type >> symbol;
        if (type == "A") continue;  // the version node itself
        SCOPED_TRACE(line);
        const size_t at = symbol.find("@@");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(symbol.substr(at + 2), "PLUGKIT_1");
        found.insert(symbol.substr(0, at));
    }
    EXPECT_EQ(found, expectedExports());
    EXPECT_EQ(expectedExports().size(), size_t{KXPLUGIN_HOST_FUNCTION_COUNT} + 32);
}

}  // namespace

// What the host receives from each host-call export, through the real library.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "plugkit.h"

extern "C" int plugkitCHeaderTypeSize(void);
extern "C" int plugkitCHeaderCallsHost(void);

namespace {

struct Received {
    std::string name;  // full name, or "" for a short id
    int ordinal = -1;  // byte 1 of a short id
    int argc = -1;
    std::array<KxVar, KXVAR_ARGS> args{};
};

std::vector<Received> g_calls;
int g_result = 7;
const char* g_writeBack = nullptr;  // written into every type-5 argument the host may fill

// Answers GetFunctionOrdinal with 200 minus the real ordinal, so that a test
// sees whether the library uses the host's answer.
int fakeDispatch(const char* function, int argc, KxVar* args) {
    Received r;
    if (function[0] == '\0') {
        r.ordinal = static_cast<unsigned char>(function[1]);
    } else {
        r.name = function;
    }
    r.argc = argc;
    for (int i = 0; i < KXVAR_ARGS; ++i) r.args[i] = args[i];
    g_calls.push_back(r);
    if (r.name == "GetFunctionOrdinal") {
#define ORDINAL_ANSWER(ord, exportName, hostName, kinds, params, argsList) \
    if (std::strcmp(args[0].value.s, #hostName) == 0) return 200 - ord;
        KXPLUGIN_HOST_FUNCTIONS(ORDINAL_ANSWER)
#undef ORDINAL_ANSWER
        return 0;
    }
    if (g_writeBack != nullptr) {
        for (int i = 0; i < argc; ++i) {
            if (args[i].type == KXVAR_STRING) std::memcpy(args[i].value.s, g_writeBack, 72);
        }
    }
    return g_result;
}

PluginFunctionEntry g_table[] = {{"UTIL", "run", "Run"}};

class HostCalls : public ::testing::Test {
protected:
    void SetUp() override {
        block_ = PluginHostBlock{};
        block_.dispatch = fakeDispatch;
        block_.size = 20;
        ASSERT_EQ(piLibInit(5, &block_, g_table, 1), 1);
        g_calls.clear();
        g_writeBack = nullptr;
    }
    PluginHostBlock block_{};
};

template <typename... A>
int callWithZeros(int (*f)(A...)) {
    return f(A{}...);
}

TEST_F(HostCalls, InitStoresTheTableAndAsksEveryOrdinalByName) {
    g_calls.clear();
    block_.reserved = &block_;
    ASSERT_EQ(piLibInit(5, &block_, g_table, 1), 1);
    EXPECT_EQ(block_.table, g_table);
    EXPECT_EQ(block_.count, 1u);
    EXPECT_EQ(block_.reserved, nullptr);
    ASSERT_EQ(g_calls.size(), size_t{KXPLUGIN_HOST_FUNCTION_COUNT});
    EXPECT_STREQ(g_calls.front().args[0].value.s, "GetViewHandle");
    EXPECT_STREQ(g_calls.back().args[0].value.s, "Transform");
    EXPECT_EQ(piLibInit(1, &block_, g_table, 1), 0);
}

TEST_F(HostCalls, EveryExportSendsItsResolvedOrdinalAndArgumentCount) {
    struct Row {
        const char* name;
        int ordinal;
        int argc;
        int result;
    };
    std::vector<Row> rows;
#define CALL_ROW(ord, exportName, hostName, kinds, params, argsList)                        \
    {                                                                                       \
        g_calls.clear();                                                                    \
        const int result = callWithZeros(&exportName);                                      \
        const int argc = g_calls.empty() ? -1 : g_calls.back().argc;                        \
        const int got = g_calls.empty() ? -1 : g_calls.back().ordinal;                      \
        rows.push_back({#exportName, ord == 12 ? -1 : got, argc, result});                  \
        (void)result;                                                                       \
    }
    KXPLUGIN_HOST_FUNCTIONS(CALL_ROW)
#undef CALL_ROW
    ASSERT_EQ(rows.size(), size_t{KXPLUGIN_HOST_FUNCTION_COUNT});
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const int ordinal = static_cast<int>(i) + 1;
        if (ordinal != 12) {
            EXPECT_EQ(rows[i].ordinal, 200 - ordinal);
        }
        EXPECT_EQ(rows[i].result, ordinal == 12 ? 0 : g_result);
    }
    // Argument counts of a few shapes.
    EXPECT_EQ(rows[29].argc, 0);  // ClearSelection
    EXPECT_EQ(rows[80].argc, 6);  // RotateAboutF
    EXPECT_EQ(rows[2].argc, 3);   // SetPluginProperty
}

TEST_F(HostCalls, ArgumentsArePackedByKind) {
    float p[3] = {1.5f, 2.5f, 3.5f};
    float about[3] = {0, 1, 0};
    KxVar v{};
    int data = 0;
    const std::string longPath = "/home/user/.local/share/kalvex/scenes/" + std::string(60, 'x') + ".cad";
    struct Row {
        const char* what;
        std::function<int()> call;
        std::vector<uint32_t> types;
        std::function<void(const Received&)> check;
    };
    const std::vector<Row> rows = {
        {"str and int", [] { return piCreateObject("ball", 13); }, {5, 2},
         [](const Received& r) {
             EXPECT_STREQ(r.args[0].value.s, "ball");
             EXPECT_EQ(r.args[1].value.i, 13);
         }},
        {"long text as pointer", [&] { return piLoad(longPath.c_str()); }, {6},
         [&](const Received& r) { EXPECT_EQ(r.args[0].value.ptr, longPath.c_str()); }},
        {"71 characters inline", [] { return piShell(std::string(71, 'a').c_str()); }, {5},
         [](const Received& r) { EXPECT_EQ(std::string(r.args[0].value.s), std::string(71, 'a')); }},
        {"72 characters by pointer", [] {
             static const std::string s(72, 'b');
             return piShell(s.c_str());
         }, {6}, [](const Received& r) { EXPECT_EQ(std::strlen(static_cast<char*>(r.args[0].value.ptr)), 72u); }},
        {"null text as null pointer", [] { return piFindObject(nullptr); }, {6},
         [](const Received& r) { EXPECT_EQ(r.args[0].value.ptr, nullptr); }},
        {"point pointer", [&] { return piScaleAbout(3, p, about); }, {2, 4, 4},
         [&](const Received& r) {
             EXPECT_EQ(r.args[1].value.ptr, p);
             EXPECT_EQ(r.args[2].value.ptr, about);
         }},
        {"doubles", [] { return piRotateAboutF(1, 2, 3, 4, 5, 6.25); }, {3, 3, 3, 3, 3, 3},
         [](const Received& r) { EXPECT_EQ(r.args[5].value.d, 6.25); }},
        {"value pointer", [&] { return piSetObjectProperty(2, "Size", &v); }, {2, 5, 6},
         [&](const Received& r) { EXPECT_EQ(r.args[2].value.ptr, &v); }},
        {"int in a pointer slot", [] { return piSetObjectData(1, -5); }, {2, 6},
         [](const Received& r) { EXPECT_EQ(static_cast<int32_t>(r.args[1].value.i), -5); }},
        {"int pointer", [&] { return piGetObjectData(1, &data); }, {2, 6},
         [&](const Received& r) { EXPECT_EQ(r.args[1].value.ptr, &data); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        g_calls.clear();
        EXPECT_EQ(row.call(), g_result);
        ASSERT_EQ(g_calls.size(), 1u);
        const Received& r = g_calls.back();
        ASSERT_EQ(r.argc, static_cast<int>(row.types.size()));
        for (size_t i = 0; i < row.types.size(); ++i) {
            EXPECT_EQ(r.args[i].size, 88u);
            EXPECT_EQ(r.args[i].type, row.types[i]) << "argument " << i;
        }
        for (size_t i = row.types.size(); i < KXVAR_ARGS; ++i) EXPECT_EQ(r.args[i].size, 0u);
        row.check(r);
    }
}

TEST_F(HostCalls, TextsComeBackBoundedToTheValueArea) {
    char unterminated[72];
    std::memset(unterminated, 'z', sizeof unterminated);
    struct Row {
        const char* what;
        const char* hostText;
        std::string expected;
    };
    const Row rows[] = {
        {"short name", "Sphere1\0", "Sphere1"},
        {"no terminator in 72 bytes", nullptr, std::string(71, 'z')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        char buffer[100];
        std::memset(buffer, 'q', sizeof buffer);
        char filler[72] = {};
        const char* text = row.hostText != nullptr ? row.hostText : unterminated;
        std::memcpy(filler, text, strnlen(text, 72));
        g_writeBack = filler;
        EXPECT_EQ(piGetObjectName(1, buffer), g_result);
        EXPECT_EQ(std::string(buffer), row.expected);
        EXPECT_EQ(buffer[72], 'q') << "wrote past the 72 bytes";
        // The caller's uninitialised buffer is never sent.
        EXPECT_EQ(g_calls.back().args[1].value.s[0], '\0');
        EXPECT_EQ(piGetFileName(1, "Scenes|*.cad", buffer), g_result);
        EXPECT_EQ(std::string(buffer), row.expected);
        g_writeBack = nullptr;
    }
}

TEST(PlugkitValues, ReturnValuesAndLocalProperties) {
    const KxVar* s = piReturnKxVarStr("0123456789012345678901234567890123456789");
    EXPECT_EQ(std::string(s->value.s), "0123456789012345678901234567890");
    EXPECT_EQ(s->type, 5u);
    EXPECT_EQ(piReturnKxVarDbl(2.5)->value.d, 2.5);
    EXPECT_EQ(piReturnKxVarInt(-3)->type, 2u);
    const float p[3] = {1, 2, 3};
    EXPECT_EQ(piReturnKxVarPnt(p)->value.p[2], 3.0f);
    EXPECT_EQ(piReturnKxVarPtr(&s)->value.ptr, &s);

    PluginProperty table[4] = {};
    const char* names[] = {"Turns", "Radius", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"};
    for (int i = 0; i < 3; ++i) {
        table[i].size = 1;
        std::memcpy(table[i].name, names[i], std::min<size_t>(36, std::strlen(names[i])));
        piInitVar(&table[i].value, KXVAR_INT);
        table[i].value.value.i = 10 + i;
    }
    PluginProperty req{};
    req.size = 128;
    std::strcpy(req.name, "radius");
    EXPECT_EQ(piGetLocalPluginProperty(&req, table), 0) << "request value size not 88";
    piInitVar(&req.value, KXVAR_INT);
    EXPECT_EQ(piGetLocalPluginProperty(&req, table), 1);
    EXPECT_EQ(req.value.value.i, 11);
    std::strcpy(req.name, "2");
    ASSERT_EQ(piGetLocalPluginProperty(&req, table), 1);
    EXPECT_EQ(req.value.type, 5u);
    EXPECT_EQ(std::string(req.value.value.s), names[2]);
    std::strcpy(req.name, "3");
    EXPECT_EQ(piGetLocalPluginProperty(&req, table), 0);
    // A 36-byte name without terminator still matches, and only 36 bytes count.
    std::memcpy(req.name, names[2], 36);
    req.value.value.i = 99;
    req.value.type = KXVAR_INT;
    EXPECT_EQ(piSetLocalPluginProperty(&req, table), 1);
    EXPECT_EQ(table[2].value.value.i, 99);
    EXPECT_EQ(piGetLocalPluginProperty(nullptr, table), 0);
    EXPECT_EQ(piSetLocalPluginProperty(&req, nullptr), 0);
}

TEST(PlugkitValues, FunctionInitChecksTheRecord) {
    PluginCallRecord rec{};
    rec.size = 20;
    EXPECT_EQ(piLibFuncInit(2, 0, &rec, 0), 0);
    EXPECT_EQ(piLibFuncInit(1, 0, &rec, 0), 1);
    EXPECT_EQ(piLibFuncInit(2, 0, &rec, 1), 1);
    rec.size = 32;
    EXPECT_EQ(piLibFuncInit(1, 0, &rec, 1), 0);
    EXPECT_EQ(piLibFuncInit(1, 0, nullptr, 1), 0);
    EXPECT_EQ(piLibDefault(), 0);
}

TEST(PlugkitValues, CHeaderCompilesAndCallsThrough) {
    EXPECT_EQ(plugkitCHeaderTypeSize(), 88 + 128 + 32 + 32);
    PluginHostBlock block{};
    block.dispatch = fakeDispatch;
    ASSERT_EQ(piLibInit(5, &block, g_table, 1), 1);
    g_calls.clear();
    EXPECT_EQ(plugkitCHeaderCallsHost(), g_result);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].ordinal, 200 - 52);
}

}  // namespace

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "core_fixture.h"
#include "kxplatform/process.h"
#include "render/network_render.h"

namespace {

class NetworkRenderTest : public kxtest::CoreTest {
protected:
    kx::app::RendererDefinition renderer() {
        kx::app::RendererDefinition d{};
        std::strcpy(d.commandTemplate, "+I$O +O$I +W$W +H$H [+L$L");
        d.type = 1;
        return d;
    }
};

TEST_F(NetworkRenderTest, ServerRecordNeedsEveryValue) {
    kx::platform::IniStore store;
    kx::app::NetworkServer server;
    EXPECT_FALSE(kx::app::readNetworkServer(store, 0, server));  // not enabled: nothing read
    EXPECT_TRUE(ui.messages.empty());
    store.parse("[NetRender]\nEnable=1\nServer0=farm\n[farm]\nRenderCmd=/opt/pov\nRenderInc=/opt/inc\n");
    EXPECT_FALSE(kx::app::readNetworkServer(store, 0, server));
    EXPECT_EQ(ui.lastMessage(), "Unknown network destination directory");
    server = {"farm", "/opt/pov", "/opt/inc", "/mnt/farm", "ssh-like run", "/srv/scenes"};
    kx::app::writeNetworkServer(store, 0, server);
    kx::app::NetworkServer back;
    ASSERT_TRUE(kx::app::readNetworkServer(store, 0, back));
    EXPECT_EQ(back.localDir, "/srv/scenes");
    kx::app::writeNetworkServer(store, 0, kx::app::NetworkServer{});
    EXPECT_FALSE(store.get("NetRender", "Server0").has_value());
}

TEST_F(NetworkRenderTest, CommandRunsOnTheServerAsOneArgument) {
    kx::app::Settings settings;
    kx::app::NetworkServer server{"farm", "/opt/my pov", "/opt/inc", "/mnt/farm", "remote-run", "/srv/scenes"};
    std::string command = kx::app::buildNetworkCommand(renderer(), settings, server, "/home/u/ball.cad");
    EXPECT_EQ(command, "remote-run \"\\\"/opt/my pov\\\" +I/srv/scenes/ball.cad +O/srv/scenes/ball.tga +W640 "
                       "+H480 +L/opt/inc\"");
    std::vector<std::string> argv = kx::platform::splitCommandLine(command);
    ASSERT_EQ(argv.size(), 2u);
    EXPECT_EQ(kx::platform::splitCommandLine(argv[1]).front(), "/opt/my pov");
}

TEST_F(NetworkRenderTest, StartExportsAndRunsTheServerCommand) {
    InitScene();
    CreateDefaultSphere();
    std::filesystem::create_directory(dir.file("farm"));
    std::string exec = dir.file("remote.sh");
    std::ofstream(exec) << "#!/bin/sh\necho \"$1\" > " << dir.file("ran.txt") << "\n";
    std::filesystem::permissions(exec, std::filesystem::perms::owner_all);
    kx::app::Settings settings;
    kx::app::NetworkServer server{"farm", "/opt/pov", "/opt/inc", dir.file("farm"), exec, "/srv"};
    ASSERT_TRUE(kx::app::startNetworkRender(renderer(), settings, server, "/home/u/ball.cad"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("farm/ball.cad")));
    for (int i = 0; i < 100 && !std::filesystem::exists(dir.file("ran.txt")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(dir.read("ran.txt"), "/opt/pov +I/srv/ball.cad +O/srv/ball.tga +W640 +H480 +L/opt/inc\n");
}

}  // namespace

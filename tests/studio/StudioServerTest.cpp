// The studio's server driven over HTTP as the page drives it: its frames
// against the command's files, its documents on disk, its refusals, and the
// effect's own answers (control updates, gradient) passed through.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <future>

#include <gtest/gtest.h>

#include "app/media/ImageIo.h"
#include "studio/StudioTestSupport.h"
#include "studio/server/PreviewPixels.h"
#include "support/CliRun.h"
#include "support/TestFiles.h"

namespace {

using nlohmann::json;
using studiotest::Animated;
using studiotest::RunningStudio;
using studiotest::StudioSetup;
using testfiles::TempFolder;

// clang-format off
struct RenderCase { int depth; long frame; int scale; };
// clang-format on

class StudioRender : public ::testing::TestWithParam<RenderCase> {};

// A preview is the frame `render` writes for the same document, reduced as
// `render --scale` reduces it.
TEST_P(StudioRender, EqualsTheCommandsFile) {
  const RenderCase c = GetParam();
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json"), .depth = c.depth});
  const json doc = Animated();
  json request{{"doc", doc}, {"frame", c.frame}, {"scale", c.scale}};
  if (c.depth == 16) request["raw16"] = true;
  const httplib::Result after = running.PostJson("/api/render", request);
  ASSERT_TRUE(after);
  ASSERT_EQ(after->status, 200) << after->body;
  const int width = std::stoi(after->get_header_value("X-Width"));
  const int height = std::stoi(after->get_header_value("X-Height"));
  EXPECT_EQ(width, (320 + c.scale - 1) / c.scale);
  EXPECT_EQ(height, (180 + c.scale - 1) / c.scale);
  EXPECT_EQ(after->get_header_value("X-Depth"), std::to_string(c.depth));
  EXPECT_NE(after->get_header_value("Server-Timing").find(", render;dur="), std::string::npos);

  std::ofstream(folder.File("doc.json")) << doc.dump();
  // clang-format off
  testfiles::Args args{"render", "--params", folder.File("doc.json"),
                       "--frames", std::to_string(c.frame), "--depth", std::to_string(c.depth),
                       "--output", folder.File("out.png")};
  // clang-format on
  args.insert(args.end(), {"--size", "320x180", "--scale", std::to_string(c.scale)});
  const testfiles::CliRun run = testfiles::RunCli(args);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const app::Layer file = app::ReadImage(folder.File("out.png"));
  EXPECT_TRUE(after->body ==
              (c.depth == 16 ? studio::Rgba16Bytes(file) : studio::Rgba8Bytes(file)));
}

INSTANTIATE_TEST_SUITE_P(Frames, StudioRender,
                         ::testing::Values(RenderCase{8, 0, 1}, RenderCase{16, 47, 1},
                                           RenderCase{8, 30, 2}, RenderCase{16, 60, 4}));

// A video is read as a video: its frames, its rate and a layer per frame,
// not its first frame as a still. The built-in layer runs at the command's
// default rate.
TEST(StudioInput, VideoGivesItsFramesAndRate) {
  TempFolder folder;
  {
    RunningStudio built_in({.document = folder.File("doc.json")});
    EXPECT_EQ(json::parse(built_in.Client().Get("/api/session")->body)["fps"], "24/1");
  }
  testfiles::Launch make;
  // clang-format off
  make.args = {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25",
               "-frames:v", "5", "-pix_fmt", "yuv420p", folder.File("clip.mp4")};
  // clang-format on
  make.program = "ffmpeg";
  ASSERT_EQ(testfiles::RunCli(make).exit_status, 0);
  RunningStudio running({.document = folder.File("doc.json"),
                         .depth = 0,
                         .frames = std::nullopt,
                         .input = folder.File("clip.mp4")});
  const json session = json::parse(running.Client().Get("/api/session")->body);
  EXPECT_EQ(session["last"], 4);
  EXPECT_EQ(session["fps"], "25/1");
  EXPECT_EQ(session["width"], 64);
  const auto before = [&](int frame) {
    return running.PostJson("/api/render", {{"frame", frame}, {"view", "before"}})->body;
  };
  EXPECT_NE(before(0), before(4));
}

// Every frame of a sequence must have the first one's size.
TEST(StudioInput, SequenceFrameOfAnotherSizeIsRefused) {
  TempFolder folder;
  testfiles::WritePng(folder.File("f.0.png"), 4, 4, 8, PNG_COLOR_TYPE_GRAY,
                      std::vector<uint32_t>(16, 9));
  testfiles::WritePng(folder.File("f.1.png"), 4, 3, 8, PNG_COLOR_TYPE_GRAY,
                      std::vector<uint32_t>(12, 9));
  RunningStudio running({.document = folder.File("doc.json"),
                         .frames = app::FrameRange{0, 1},
                         .input = folder.File("f.%d.png")});
  EXPECT_EQ(running.PostJson("/api/render", {{"frame", 0}})->status, 200);
  const httplib::Result other = running.PostJson("/api/render", {{"frame", 1}});
  EXPECT_EQ(other->status, 400);
  EXPECT_NE(other->body.find("every frame must have one size"), std::string::npos) << other->body;
}

// Every control at a value other than its default, and keyframe lists, come
// back from the file as they were sent; decimals stay as typed.
TEST(StudioDocument, SavedDocumentsComeBackUnchanged) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const json table = json::parse(running.Client().Get("/api/params")->body)["params"];
  json constants = json::object();
  for (const json& p : table) {
    const std::string type = p["type"];
    if (type == "slider") {
      constants[p["name"]] = p["default"] == p["slider_min"] ? 1.15 + p["slider_min"].get<double>()
                                                             : p["slider_min"].get<double>() + 0.83;
    } else if (type == "checkbox") {
      constants[p["name"]] = !p["default"].get<bool>();
    } else if (type == "popup") {
      constants[p["name"]] = p["choices"].back();
    } else if (type == "color") {
      constants[p["name"]] = "#12ab3c";
    } else if (type == "point") {
      constants[p["name"]] = {12.5, 1079.75};
    }
  }
  for (const json& doc : {constants, Animated()}) {
    const httplib::Result saved = running.PostJson("/api/save", {{"doc", doc}});
    ASSERT_EQ(saved->status, 200) << saved->body;
    EXPECT_EQ(json::parse(saved->body)["file"], folder.File("doc.json"));
    EXPECT_EQ(json::parse(running.Client().Get("/api/document")->body)["doc"], doc);
    EXPECT_EQ(json::parse(testfiles::ReadFile(folder.File("doc.json"))), doc);
  }
  const std::string text = (running.PostJson("/api/save", {{"doc", constants}}),
                            testfiles::ReadFile(folder.File("doc.json")));
  EXPECT_NE(text.find(": 0.83,"), std::string::npos) << text;
  EXPECT_NE(text.find(": 1.15,"), std::string::npos) << text;
  EXPECT_EQ(text.find("0000000"), std::string::npos) << text;
}

TEST(StudioDocument, AutosaveIsRecoveredUntilSavedOrDiscarded) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const json doc{{"Line Width", 61.5}};
  EXPECT_EQ(running.Client().Get("/api/recover")->status, 404);
  for (const char* ending : {"/api/save", "/api/discard"}) {
    ASSERT_EQ(running.PostJson("/api/autosave", {{"doc", doc}})->status, 200);
    EXPECT_EQ(json::parse(running.Client().Get("/api/session")->body)["recovery"], true);
    EXPECT_EQ(json::parse(running.Client().Get("/api/recover")->body)["doc"], doc);
    ASSERT_EQ(running.PostJson(ending, {{"doc", doc}})->status, 200);
    EXPECT_EQ(running.Client().Get("/api/recover")->status, 404) << ending;
  }
}

// The status line of a request sent byte for byte.
int RawStatus(int port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  for (size_t sent = 0; sent < request.size();) {
    const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  char reply[64] = {};
  const ssize_t n = recv(fd, reply, sizeof reply - 1, 0);
  close(fd);
  return n > 12 ? std::atoi(reply + 9) : -1;
}

struct Refused {
  const char* what;
  std::string head;  // request line and headers; HOST and TOKEN are filled in
  std::string body;
  int status;
};

std::string Filled(std::string text, const RunningStudio& running) {
  for (const auto& [name, value] :
       {std::pair<std::string, std::string>{"HOST", running.Host()}, {"TOKEN", running.Token()}}) {
    for (size_t at; (at = text.find(name)) != std::string::npos;)
      text.replace(at, name.size(), value);
  }
  return text;
}

TEST(StudioGuard, RefusesAndKeepsServing) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const std::string big(studio::kMaxBodyBytes + 1, ' ');
  const std::string post = "POST /api/state HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: TOKEN\r\n";
  const std::string gradient =
      "POST /api/gradient HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: TOKEN\r\n";
  const std::string render = "POST /api/render HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: TOKEN\r\n";
  const std::string export_post =
      "POST /api/export HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: TOKEN\r\n";
  std::filesystem::create_symlink("/tmp", folder.File("link"));
  const auto with_body = [](const std::string& body) {
    return "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n";
  };
  // clang-format off
  const std::vector<Refused> cases = {
      {"no token", "GET /api/session HTTP/1.1\r\nHost: HOST\r\n\r\n", "", 401},
      {"wrong token", "GET /api/session HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: 0123\r\n\r\n", "",
       401},
      {"wrong start token",
       "GET /?token=00000000000000000000000000000000 HTTP/1.1\r\nHost: HOST\r\n\r\n", "", 401},
      {"page without token", "GET /index.html HTTP/1.1\r\nHost: HOST\r\n\r\n", "", 401},
      {"foreign host",
       "GET /api/session HTTP/1.1\r\nHost: evil.example\r\nX-Studio-Token: TOKEN\r\n\r\n", "", 403},
      {"foreign origin",
       "GET /api/session HTTP/1.1\r\nHost: HOST\r\nOrigin: http://evil.example\r\nX-Studio-Token: "
 "TOKEN\r\n\r\n", "", 403},
      {"traversal", "GET /../doc.json HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: TOKEN\r\n\r\n", "",
       404},
      {"encoded traversal",
       "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: HOST\r\nX-Studio-Token: TOKEN\r\n\r\n", "",
       404},
      {"oversize", post + with_body(big), big, 413},
      {"chunked", post + "Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n",
       "2\r\n{}\r\n0\r\n\r\n", 411},
      {"not JSON", post + "Content-Type: text/plain\r\nContent-Length: 2\r\n\r\n", "{}", 415},
      {"malformed JSON", post + with_body("{\"doc\":"), "{\"doc\":", 400},
      {"unknown parameter", post + with_body("{\"doc\":{\"Nope\":1}}"), "{\"doc\":{\"Nope\":1}}",
       400},
      {"out of range", post + with_body("{\"doc\":{\"Line Width\":-5}}"),
       "{\"doc\":{\"Line Width\":-5}}", 400},
      {"narrow gradient", gradient + with_body("{\"width\":15}"), "{\"width\":15}", 400},
      {"wide gradient", gradient + with_body("{\"width\":2049}"), "{\"width\":2049}", 400},
      {"output up and out", export_post + with_body(R"({"output":"a/../../x.png","frames":"0"})"),
       R"({"output":"a/../../x.png","frames":"0"})", 400},
      {"output elsewhere", export_post + with_body(R"({"output":"/tmp/x.png","frames":"0"})"),
       R"({"output":"/tmp/x.png","frames":"0"})", 400},
      {"frame past the end", render + with_body(R"({"frame":96})"), R"({"frame":96})", 400},
      {"export past the end", export_post + with_body(R"({"output":"x.%d.png","frames":"90-96"})"),
       R"({"output":"x.%d.png","frames":"90-96"})", 400},
      {"output the command refuses", export_post + with_body(R"({"output":"x.%d.mov","frames":"0"})"),
       R"({"output":"x.%d.mov","frames":"0"})", 400},
      {"output through a link", export_post + with_body(R"({"output":"link/x.png","frames":"0"})"),
       R"({"output":"link/x.png","frames":"0"})", 400}};
  // clang-format on
  for (const Refused& c : cases) {
    EXPECT_EQ(RawStatus(running.Port(), Filled(c.head, running) + c.body), c.status) << c.what;
    const httplib::Result alive = running.Client().Get("/api/session");
    ASSERT_TRUE(alive) << "after " << c.what;
    EXPECT_EQ(alive->status, 200) << "after " << c.what;
  }
  const json unknown = json::parse(running.PostJson("/api/state", {{"doc", {{"Nope", 1}}}})->body);
  EXPECT_NE(unknown["error"].get<std::string>().find("'Nope'"), std::string::npos) << unknown;
}

TEST(StudioGuard, StartUrlSetsTheCookieThatOpensThePage) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  httplib::Client bare("127.0.0.1", running.Port());
  const httplib::Result start = bare.Get(("/?token=" + running.Token()).c_str());
  ASSERT_EQ(start->status, 303);
  EXPECT_EQ(start->get_header_value("Location"), "/");
  const std::string cookie = start->get_header_value("Set-Cookie");
  EXPECT_EQ(cookie, "lustre_studio=" + running.Token() + "; HttpOnly; SameSite=Strict; Path=/");
  const std::string pair = cookie.substr(0, cookie.find(';'));
  const httplib::Result page = bare.Get("/", {{"Cookie", "theme=dark; " + pair + "; zoom=2"}});
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(bare.Get("/", {{"Cookie", "x" + pair}})->status, 401);
  EXPECT_FALSE(page->has_header("Access-Control-Allow-Origin"));
  EXPECT_EQ(page->body.find(running.Token()), std::string::npos);
}

// clang-format off
struct UiCase { long frame; bool enabled; };
// clang-format on

class StudioState : public ::testing::TestWithParam<UiCase> {};

// A point group switched on by a key disables its point and handle until
// the key's frame, as the effect's own control update says.
TEST_P(StudioState, PointControlsFollowTheirGroupsActivation) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const json doc{
      {"Point 3/Activate", {{{"frame", 0}, {"value", false}}, {{"frame", 10}, {"value", true}}}}};
  const httplib::Result state =
      running.PostJson("/api/state", {{"doc", doc}, {"frame", GetParam().frame}});
  ASSERT_EQ(state->status, 200) << state->body;
  const json answer = json::parse(state->body);
  EXPECT_EQ(answer["values"]["Point 3/Activate"], GetParam().enabled);
  EXPECT_EQ(answer["ui"]["Point 3/Point"]["enabled"], GetParam().enabled);
  EXPECT_EQ(answer["ui"]["Point 3/Handle"]["enabled"], GetParam().enabled);
  EXPECT_EQ(answer["ui"]["Point 2/Point"]["enabled"], false);
  EXPECT_EQ(answer["ui"]["Line Width"]["enabled"], true);
}

INSTANTIATE_TEST_SUITE_P(Frames, StudioState,
                         ::testing::Values(UiCase{0, false}, UiCase{9, false}, UiCase{10, true}));

// The row runs from the first dot's colour to the last at any width, one
// width after another in one studio.
TEST(StudioGradient, RowSpansTheGradientAtTheAskedWidth) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const json doc{{"Color Dot 1/Color", "#fff7e0"}, {"Color Dot 3/Color", "#123456"}};
  for (const int width : {16, 17, 333, 2048, 333}) {
    const httplib::Result row =
        running.PostJson("/api/gradient", {{"doc", doc}, {"frame", 3}, {"width", width}});
    ASSERT_EQ(row->status, 200) << row->body;
    ASSERT_EQ(row->body.size(), static_cast<size_t>(width) * 4);
    const auto pixel = [&](int x) {
      const auto* p = reinterpret_cast<const unsigned char*>(row->body.data() + 4 * x);
      return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(pixel(0), (std::vector<int>{255, 247, 224, 255})) << width;
    EXPECT_EQ(pixel(width - 1), (std::vector<int>{0x12, 0x34, 0x56, 255})) << width;
  }
}

// Tabs rendering different documents at once each get their own frame.
TEST(StudioConcurrency, TabsAtOnceGetTheirOwnFrames) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  std::vector<json> docs;
  for (int i = 0; i < 4; ++i)
    docs.push_back(
        json{{"Point 1/Activate", true}, {"Point 2/Activate", true}, {"Line Width", 10 + 15 * i}});
  const auto render = [&](const json& doc, int scale) {
    return running.PostJson("/api/render", {{"doc", doc}, {"frame", 5}, {"scale", scale}})->body;
  };
  std::vector<std::future<std::string>> at_once;
  for (int i = 0; i < 8; ++i)
    at_once.push_back(std::async(std::launch::async, render, docs[i % 4], 1 + i / 4));
  std::vector<std::string> answers;
  for (auto& answer : at_once) answers.push_back(answer.get());
  RunningStudio fresh({.document = folder.File("other.json")});
  for (int i = 0; i < 8; ++i) {
    const std::string alone =
        fresh.PostJson("/api/render", {{"doc", docs[i % 4]}, {"frame", 5}, {"scale", 1 + i / 4}})
            ->body;
    EXPECT_TRUE(answers[i] == alone) << "request " << i;
  }
}

// Every socket of the server's port, the listener and a connection it
// accepted, sends without waiting to gather (TCP_NODELAY): a picture's
// headers and bytes are two writes, and a delayed acknowledgement would hold
// a small patch back by 40 ms.
TEST(StudioSockets, SendWithoutDelay) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  httplib::Client client = running.Client();
  client.set_keep_alive(true);
  ASSERT_EQ(client.Get("/api/session")->status, 200);  // the connection stays open
  int sockets = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sin_family != AF_INET || ntohs(address.sin_port) != running.Port())
      continue;
    int nodelay = 0;
    socklen_t size = sizeof nodelay;
    ASSERT_EQ(getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nodelay, &size), 0);
    EXPECT_EQ(nodelay, 1) << "socket " << fd;
    ++sockets;
  }
  EXPECT_GE(sockets, 2);
}

// A client that holds its stream's last picture gets the spans that changed,
// and they patch it into exactly the whole picture; any other picture named
// (older, of another stream, of another size) gets the whole picture.
TEST(StudioPatches, PatchTheHeldPictureIntoTheWholeOne) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const auto doc = [](int x) {
    return json{{"Point 1/Activate", true}, {"Point 2/Activate", true}, {"Point 2/Point", {x, 90}}};
  };
  const auto render = [&](const json& body, const char* client, const std::string& held) {
    return running.Client().Post("/api/render", {{"X-Studio-Client", client}, {"X-Studio-Held", held}},
                                 body.dump(), "application/json");
  };
  const auto patched = [](std::string picture, const std::string& patch) {
    const auto u32 = [&](size_t at) {
      uint32_t v = 0;
      for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(patch[at + i]);
      return size_t{v};
    };
    for (size_t at = 0; at < patch.size(); at += 8 + u32(at + 4)) {
      const size_t offset = u32(at), length = u32(at + 4);
      // A span starts and ends at a changed byte.
      EXPECT_TRUE(length > 0 && picture[offset] != patch[at + 8] &&
                  picture[offset + length - 1] != patch[at + 7 + length])
          << "span at " << offset;
      picture.replace(offset, length, patch, at + 8, length);
    }
    return picture;
  };
  const httplib::Result first = render({{"doc", doc(100)}}, "a", "0");
  ASSERT_EQ(first->status, 200) << first->body;
  const std::string one = first->get_header_value("X-Picture");
  render({{"doc", doc(120)}}, "b", "0");  // another stream's picture, sent last
  // clang-format off
  struct Case { const char* name; int x; int scale; std::string held; bool patch; };
  const std::vector<Case> cases{
      {"the held picture", 140, 1, one, true},
      {"the next one", 150, 1, "NEXT", true},
      {"the same picture again", 150, 1, "NEXT", true},
      {"an older one", 160, 1, one, false},
      {"one of another size", 160, 2, "NEXT", false},
      {"none", 170, 1, "0", false}};
  // clang-format on
  std::string holding = first->body;
  std::string next = one;
  for (const Case& c : cases) {
    const json body{{"doc", doc(c.x)}, {"scale", c.scale}};
    const httplib::Result reply = render(body, "a", c.held == "NEXT" ? next : c.held);
    ASSERT_EQ(reply->status, 200) << c.name << ": " << reply->body;
    const std::string whole = running.PostJson("/api/render", body)->body;
    EXPECT_EQ(reply->has_header("X-Patch-Of"), c.patch) << c.name;
    holding = c.patch ? patched(holding, reply->body) : reply->body;
    EXPECT_TRUE(holding == whole) << c.name;
    next = reply->get_header_value("X-Picture");
  }
  EXPECT_EQ(render({{"doc", doc(100)}}, "a", "x1")->status, 400);
}

}  // namespace

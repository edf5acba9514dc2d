// The web server: cpp-httplib's, with the page and the API as its only
// routes, the requests size-limited and every analysis held to a time limit.
#include "serve/server.h"

#include <httplib.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "core/input_file.h"
#include "core/report_helpers.h"
#include "darnek/darnek.h"
#include "serve/api.h"
#include "serve/embedded_files.h"
#include "serve/schema.h"
#include "toml/toml_input.h"

namespace darnek::serve {
namespace {

// A model of the largest example is 5 KB as JSON, a record file of a few
// hundred stages a few hundred KB: 2 MB leaves room for any real wall.
constexpr size_t kMaxRequestBytes = size_t{2} << 20;
// Analyses at once, beyond which a request is answered 503 at once: each
// holds a thread until it ends, including one past its time limit.
constexpr int kMaxRuns = 8;
constexpr int kUsageError = 7;
constexpr int kCannotListen = 8;

// What every answer carries. The page loads nothing from anywhere else, runs
// only its own scripts, and shows pictures only as images (an SVG drawn from
// the input is never part of the page's document).
const httplib::Headers kHeaders{
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' blob: data:; connect-src "
     "'self'; "
     "base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
    {"Cross-Origin-Opener-Policy", "same-origin"},
    {"Cross-Origin-Resource-Policy", "same-origin"},
};

std::string ContentType(std::string_view path) {
  if (path.ends_with(".html")) return "text/html; charset=utf-8";
  if (path.ends_with(".js")) return "text/javascript; charset=utf-8";
  if (path.ends_with(".css")) return "text/css; charset=utf-8";
  if (path.ends_with(".svg")) return "image/svg+xml";
  if (path.ends_with(".png")) return "image/png";
  return "text/plain; charset=utf-8";
}

void Reply(httplib::Response& res, const Answer& a) {
  res.status = a.Status;
  res.set_content(a.Body,
                  a.ContentType == "application/json" ? "application/json; charset=utf-8" : a.ContentType);
  // The engine's share of the answer, for the page's Performance API.
  if (a.EngineMs >= 0) res.set_header("Server-Timing", "engine;dur=" + FixedText(a.EngineMs, 3));
}

// Analyses run on threads of their own, so that a request can be answered
// when its analysis overruns the time limit. The engine cannot be stopped
// from outside; an overrunning analysis ends by the engine's own limits
// (iterations, storage) and keeps its slot until then.
class Runner {
 public:
  explicit Runner(double seconds)
      : limit_(std::chrono::microseconds(static_cast<long long>(seconds * 1e6))),
        busy_(std::make_shared<std::atomic<int>>(0)) {}

  Answer Run(std::function<Answer()> work) {
    if (busy_->fetch_add(1) >= kMaxRuns) {
      busy_->fetch_sub(1);
      return ErrorAnswer(503, "the server is busy with " + std::to_string(kMaxRuns) +
                                  " analyses: try again when one has ended");
    }
    struct State {
      std::mutex Mutex;
      std::condition_variable Done;
      std::optional<Answer> Result;
    };
    auto state = std::make_shared<State>();
    std::thread([state, busy = busy_, work = std::move(work)] {
      Answer a = work();
      // The slot is free before the answer is: the page's next request,
      // sent as soon as this one is answered, must find it free.
      busy->fetch_sub(1);
      {
        std::lock_guard<std::mutex> lock(state->Mutex);
        state->Result = std::move(a);
      }
      state->Done.notify_one();
    }).detach();
    std::unique_lock<std::mutex> lock(state->Mutex);
    if (!state->Done.wait_for(lock, limit_, [&] { return state->Result.has_value(); }))
      return ErrorAnswer(503, "the analysis took longer than the server's time limit of " +
                                  NumberText(std::chrono::duration<double>(limit_).count()) +
                                  " s and was abandoned: fewer increments, iterations or stages shorten it");
    return std::move(*state->Result);
  }

 private:
  std::chrono::microseconds limit_;
  std::shared_ptr<std::atomic<int>> busy_;
};

// A request whose Host is not this machine's loopback name comes through a
// name that only points here (DNS rebinding): the page never sends one.
bool LoopbackHost(const httplib::Request& req) {
  std::string host = req.get_header_value("Host");
  if (host.starts_with("[")) {
    host = host.substr(0, host.find(']') + 1);
  } else {
    host = host.substr(0, host.find(':'));
  }
  return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

bool IsLoopback(const std::string& host) {
  return host == "127.0.0.1" || host == "localhost" || host == "::1";
}

Answer StartAnswer(const ServeOptions& options) {
  Json start = Json::object();
  if (options.OpenName.empty()) {
    start["file"] = nullptr;
  } else {
    start["file"] = Json{{"name", options.OpenName},
                         {"from", options.OpenIsToml ? "toml" : "records"},
                         {"text", options.OpenText}};
  }
  start["version"] = Version();
  Answer a;
  a.Body = start.dump(-1, ' ', false, Json::error_handler_t::replace);
  return a;
}

}  // namespace

ServeCommand ParseServeArguments(const std::vector<std::string>& args) {
  ServeCommand command;
  ServeOptions& o = command.Options;
  const auto usage = [&command](const std::string& problem) {
    std::cerr << "darnek serve: " << problem
              << "\nusage: darnek serve [FILE] [--port N] [--host ADDR] [--time-limit SECONDS]\n";
    command.Status = kUsageError;
    return command;
  };
  std::string file;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--port") {
      int port = -1;
      const std::string& text = i + 1 < args.size() ? args[i + 1] : std::string();
      const auto parsed = std::from_chars(text.data(), text.data() + text.size(), port);
      if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || port < 0 ||
          port > 65535)
        return usage("--port needs a port number from 0 (any free port) to 65535");
      o.Port = port;
      ++i;
    } else if (args[i] == "--time-limit") {
      double seconds = 0;
      const std::string& text = i + 1 < args.size() ? args[i + 1] : std::string();
      const auto parsed = std::from_chars(text.data(), text.data() + text.size(), seconds);
      if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() ||
          !(seconds > 0) || seconds > 3600)
        return usage("--time-limit needs a number of seconds above 0, at most 3600");
      o.RunSeconds = seconds;
      ++i;
    } else if (args[i] == "--host") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--host needs an address");
      o.Host = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return usage("unknown option " + args[i]);
    } else if (file.empty()) {
      file = args[i];
    } else {
      return usage("more than one file");
    }
  }
  if (!file.empty()) {
    WholeInput in = ReadInputFile("file", file);
    if (!in || in.Text.size() > kMaxRequestBytes) {
      std::cerr << "darnek serve: " << (in ? "the file " + file + " is larger than 2 MB" : in.Problem)
                << "\n";
      command.Status = kCannotListen;
      return command;
    }
    o.OpenName = file.substr(file.find_last_of('/') + 1);
    o.OpenText = std::move(in.Text);
    o.OpenIsToml = toml_input::IsTomlPath(file);
  }
  return command;
}

int Serve(const ServeOptions& options) {
  httplib::Server server;
  Runner runner(options.RunSeconds);
  const bool loopback = IsLoopback(options.Host);
  server.set_default_headers(kHeaders);
  server.set_payload_max_length(kMaxRequestBytes);
  server.set_read_timeout(10);
  server.set_write_timeout(10);
  server.set_pre_routing_handler([loopback](const httplib::Request& req, httplib::Response& res) {
    if (loopback && !LoopbackHost(req)) {
      Reply(res, ErrorAnswer(403, "this server answers only requests to this machine's own address"));
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const std::string what = res.status == 413   ? "the request is larger than 2 MB"
                             : res.status == 404 ? "there is nothing here"
                                                 : "the request cannot be answered";
    Reply(res, ErrorAnswer(res.status, what));
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    Reply(res, ErrorAnswer(500, "internal error"));
  });

  const auto file = [](const char* path) {
    return [path](const httplib::Request&, httplib::Response& res) {
      const EmbeddedFile* f = FindEmbedded(path);
      if (f == nullptr) return Reply(res, ErrorAnswer(404, "there is nothing here"));
      res.set_content(std::string(f->Data), ContentType(path));
    };
  };
  server.Get("/", file("web/index.html"));
  server.Get(R"(/web/([A-Za-z0-9_-]+\.[a-z]+))", [](const httplib::Request& req, httplib::Response& res) {
    const std::string path = "web/" + std::string(req.matches[1]);
    const EmbeddedFile* f = FindEmbedded(path);
    if (f == nullptr) return Reply(res, ErrorAnswer(404, "there is nothing here"));
    res.set_content(std::string(f->Data), ContentType(path));
  });
  server.Get("/api/schema",
             [](const httplib::Request&, httplib::Response& res) { Reply(res, SchemaAnswer()); });
  server.Get("/api/examples",
             [](const httplib::Request&, httplib::Response& res) { Reply(res, ExamplesAnswer()); });
  server.Get(R"(/api/examples/([A-Za-z0-9_-]+))", [](const httplib::Request& req, httplib::Response& res) {
    Reply(res, ExampleAnswer(std::string(req.matches[1])));
  });
  server.Get("/api/start", [&options](const httplib::Request&, httplib::Response& res) {
    Reply(res, StartAnswer(options));
  });
  server.Post("/api/analyse", [&runner](const httplib::Request& req, httplib::Response& res) {
    Reply(res, runner.Run([body = req.body] { return AnalyseAnswer(body); }));
  });
  server.Post("/api/convert", [&runner](const httplib::Request& req, httplib::Response& res) {
    Reply(res, runner.Run([body = req.body] { return ConvertAnswer(body); }));
  });

  int port = options.Port;
  const bool bound = port == 0 ? (port = server.bind_to_any_port(options.Host)) > 0
                               : server.bind_to_port(options.Host, port);
  if (!bound) {
    std::cerr << "darnek serve: cannot listen on " << options.Host << " port " << std::to_string(options.Port)
              << " (in use, or not an address of this machine)\n";
    return kCannotListen;
  }
  if (!loopback)
    std::cerr << "darnek serve: warning: listening on " << options.Host
              << ": anyone who can reach this machine can analyse walls here and read what is analysed; the "
                 "server has no passwords and no encryption\n";
  const std::string shown =
      options.Host.find(':') != std::string::npos ? "[" + options.Host + "]" : options.Host;
  std::cout << "darnek serve: open http://" << shown << ":" << std::to_string(port)
            << "/ in a browser (Ctrl-C stops the server)" << std::endl;
  server.listen_after_bind();
  return 0;
}

}  // namespace darnek::serve

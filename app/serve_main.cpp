// darnek-serve: the program behind `darnek serve`. The static command-line
// tool cannot link the web server's shared library, so it hands `serve` to
// this program beside it (app/serve_launch.cpp); run alone it takes the same
// arguments.
#include <string>
#include <vector>

#include "serve/server.h"

int main(int argc, char** argv) {
  const darnek::serve::ServeCommand command =
      darnek::serve::ParseServeArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (command.Status != 0) return command.Status;
  return darnek::serve::Serve(command.Options);
}

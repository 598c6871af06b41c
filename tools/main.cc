// orbi-name: try the name library from a shell.
//
// The program works through the library's installed interface (the public
// headers and the service headers they include), and compiles in the
// project's private DER module (der/) for the tag and length octets of full
// OID encodings. Its parts, by job, are in tools/src/. Text goes to stdout,
// errors to stderr; the exit status is 0 on success, 1 when the library or
// the tool refuses an input, 2 on a usage error. A command builds its whole
// output in memory and writes it only when it succeeds, so a failing command
// writes nothing to stdout.
#include "command_line.h"

int main(int argc, char** argv) {
  return orbi_tool::Finish(orbi_tool::Main(argc, argv));
}

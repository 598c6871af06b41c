// The commands. Each reads its input from args, gathers its output in the
// session and returns kExitOk, or the exit status after reporting the
// failure to the session.
#ifndef ORBI_TOOL_COMMANDS_H_
#define ORBI_TOOL_COMMANDS_H_

#include "args.h"
#include "session.h"

namespace orbi_tool {

// RunShow imports and binds a name and shows its text, types and token.
int RunShow(Session* session, const Args& args);
// RunExport imports and binds a name and writes its exported name token.
int RunExport(Session* session, const Args& args);
// RunInspect shows the fields of an exported name token and imports it.
int RunInspect(Session* session, const Args& args);
// RunExpand shows a name's database path, entries and expanded names.
int RunExpand(Session* session, const Args& args);
// RunOid reads an OID as text or hex and shows its forms. REQUIRES: one
// positional argument.
int RunOid(Session* session, const Args& args);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_COMMANDS_H_

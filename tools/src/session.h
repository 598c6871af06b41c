// One command's output and errors, and the tool's exit statuses.
#ifndef ORBI_TOOL_SESSION_H_
#define ORBI_TOOL_SESSION_H_

#include <string>
#include <utility>

#include "json.h"

namespace orbi_tool {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

constexpr const char kProgram[] = "orbi-name";

// Session gathers a command's output in both forms and writes it only when
// the command succeeds; errors go to stderr at once.
class Session {
 public:
  Session(const char* command, bool json) : command_(command), json_(json) {}

  bool json() const { return json_; }

  // Field adds a line "label value" to the text form and key: json_value to
  // the JSON form.
  void Field(const char* label, const std::string& value, const char* key,
             const std::string& json_value) {
    Line(label, value);
    object_.Add(key, json_value);
  }
  // Line adds "label value" to the text form only, the label padded to 15
  // columns.
  void Line(const char* label, const std::string& value);
  // Json adds key: json_value to the JSON form only.
  void Json(const char* key, const std::string& json_value) {
    object_.Add(key, json_value);
  }
  // SetText replaces the text form (export prints a bare token).
  void SetText(std::string text) { text_ = std::move(text); }

  // Refuse reports message and returns kExitRefused. RefuseWithFields also
  // shows the fields gathered so far, on stderr.
  int Refuse(const std::string& message) const {
    return Report(kExitRefused, message, false);
  }
  int RefuseWithFields(const std::string& message) const {
    return Report(kExitRefused, message, true);
  }
  int Usage(const std::string& message) const {
    return Report(kExitUsage, message, false);
  }

  // Write puts the gathered output on stdout: the JSON object with the
  // command's name first, or the text form.
  void Write() const;

  // ReportError writes an error: "orbi-name: [COMMAND: ]MESSAGE" (usage
  // errors add a pointer to --help), or in JSON mode one object
  // {"command", "error", "exit"[, "fields"]}. command may be null.
  static void ReportError(const char* command, bool json, int exit_code,
                          const std::string& message,
                          const std::string* fields_text,
                          const JsonObject* fields_json);

 private:
  int Report(int exit_code, const std::string& message, bool fields) const {
    ReportError(command_, json_, exit_code, message, fields ? &text_ : nullptr,
                fields ? &object_ : nullptr);
    return exit_code;
  }

  const char* command_;
  bool json_;
  std::string text_;
  JsonObject object_;
};

}  // namespace orbi_tool

#endif  // ORBI_TOOL_SESSION_H_

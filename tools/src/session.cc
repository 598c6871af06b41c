#include "session.h"

#include <stdio.h>

namespace orbi_tool {

void Session::Line(const char* label, const std::string& value) {
  char padded[32];
  snprintf(padded, sizeof padded, "%-15s", label);
  text_ += padded;
  text_ += value;
  text_ += '\n';
}

void Session::Write() const {
  if (json_) {
    JsonObject out;
    out.Add("command", JsonString(std::string(command_)));
    out.AddAll(object_);
    const std::string text = out.Text() + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
  } else {
    fwrite(text_.data(), 1, text_.size(), stdout);
  }
}

void Session::ReportError(const char* command, bool json, int exit_code,
                          const std::string& message,
                          const std::string* fields_text,
                          const JsonObject* fields_json) {
  if (json) {
    JsonObject out;
    out.Add("command", command == nullptr ? std::string("null")
                                          : JsonString(std::string(command)));
    out.Add("error", JsonString(message));
    out.Add("exit", std::to_string(exit_code));
    if (fields_json != nullptr) out.Add("fields", fields_json->Text());
    fprintf(stderr, "%s\n", out.Text().c_str());
    return;
  }
  if (fields_text != nullptr) fputs(fields_text->c_str(), stderr);
  if (command == nullptr) {
    fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  } else {
    fprintf(stderr, "%s: %s: %s\n", kProgram, command, message.c_str());
  }
  if (exit_code == kExitUsage) {
    fprintf(stderr, "Try '%s --help'.\n", kProgram);
  }
}

}  // namespace orbi_tool

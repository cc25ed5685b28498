// The tool's commands. Each takes the whole argv and the index of its first own argument,
// returns the exit status, and throws Failure for anything that ends it early.
#ifndef TOVELDOM_TOOLS_COMMANDS_H
#define TOVELDOM_TOOLS_COMMANDS_H

namespace tool {

int runFormat(int argc, char** argv, int first);
int runCheck(int argc, char** argv, int first);
int runFind(int argc, char** argv, int first);
int runOrder(int argc, char** argv, int first);
int runEncodings(int argc, char** argv, int first);
int runC14n(int argc, char** argv, int first);
int runSelect(int argc, char** argv, int first);
int runEdit(int argc, char** argv, int first);

// One line each, for the tool's own help.
extern const char* const kFormatSummary;
extern const char* const kCheckSummary;
extern const char* const kFindSummary;
extern const char* const kOrderSummary;
extern const char* const kEncodingsSummary;
extern const char* const kC14nSummary;
extern const char* const kSelectSummary;
extern const char* const kEditSummary;

} // namespace tool

#endif

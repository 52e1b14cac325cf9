#pragma once

// A random walk through the real windows: each step is a user action that makes sense in the
// windows in front, every dialog is answered through the scripted seam among its real outcomes,
// and the program's rules are checked after every step.

#include <QString>

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kt::walk {

// One user action as it was carried out: what was done ("click", "type", "key", "menu"...), to
// which window or control ("frmMain/cmdSaveFile"), its text (escaped, see decodeText), and the
// answers given to the dialogs it raised, in the order they were asked ("msg:No",
// "open:pool/rtf-corpus/lo-empty.rtf"). A list of acts replays a walk exactly.
struct Act {
    std::string what;
    std::string target;
    std::string text;
    std::vector<std::string> answers;
};

// One step of a random walk, as generated: which of the actions in front (weighted), a detail
// (which key, where in the text), which text, and the outcomes of the dialogs it raises in turn.
// The same step means another action in another place, so a shrunk walk is told by its acts.
struct Step {
    int pick = 0;
    int detail = 0;
    int variant = 0;
    std::vector<int> choices;
};

// Shown by RapidCheck when a walk fails; the acts say more.
void showValue(const Step& step, std::ostream& os);

struct Outcome {
    std::string failure;   // empty when every rule held after every act
    std::vector<Act> acts; // as carried out
    int restarts = 0;      // programs that ended and were replaced
};

// Runs the steps on a fresh program, from its splash, in folders of its own. `trace`, when
// given, hears of every act as it starts ("act N\t" and the act's line, see writeActs) and every
// dialog answer as it is given ("answer N\t" and the answer).
Outcome walkSteps(const std::vector<Step>& steps,
                  const std::function<void(const std::string&)>& trace = {});
// Carries out recorded acts again, with the answers they were given.
Outcome replay(const std::vector<Act>& acts);

// The acts as C++ initialisers, ready to paste into a regression test.
std::string formatActs(const std::vector<Act>& acts);

// Texts in acts are ASCII: "\uXXXX" is one UTF-16 unit, "\*N;" repeats the unit before it N
// more times, "\\" is a backslash.
std::string encodeText(const QString& text);
QString decodeText(std::string_view text);

// Steps and acts as lines of text, to hand a walk to a child process and its acts back.
std::string writeSteps(const std::vector<Step>& steps);
std::vector<Step> readSteps(const std::string& text);
std::string writeActs(const std::vector<Act>& acts);
std::vector<Act> readActs(const std::string& text);

} // namespace kt::walk

#pragma once
// One interface for every question and message that the installation's work asks. The work names
// each message by a stable identifier and says what the user sees; the program answers through
// the kit's message dialog (installed by the kit's start-up), a test or a script answers by the
// identifier. This folder includes no other folder of the program.
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <vector>

namespace prompt {

// The kind of message: its title and icon in the kit's dialog (same order as the kit's kinds).
enum class TKind : unsigned char { Warning, Error, Information, Confirmation, Custom };
// How the text is aligned (same order as the kit's alignments).
enum class TAlign : unsigned char { Left, Right, Center };
// The buttons, in the order of the kit's message dialog buttons.
enum TButton : unsigned char {
  bYes,
  bNo,
  bOK,
  bCancel,
  bAbort,
  bRetry,
  bIgnore,
  bAll,
  bNoToAll,
  bYesToAll,
  bHelp,
  bClose
};
using TButtons = unsigned short;  // bit i asks for button i
constexpr TButtons Buttons(std::initializer_list<TButton> list) {
  TButtons set = 0;
  for (TButton b : list) set |= TButtons(1u << b);
  return set;
}

// Answers are the modal results of the kit: the button's result, 2 (Cancel) for a message closed
// any other way, 0 when it could not be shown at all.
enum TAnswer : int {
  aNone = 0,
  aOK = 1,
  aCancel = 2,
  aAbort = 3,
  aRetry = 4,
  aIgnore = 5,
  aYes = 6,
  aNo = 7,
  aAll = 8,
  aNoToAll = 9,
  aYesToAll = 10,
  aHelp = 11,
  aClose = 12
};

struct TPrompt {
  QString Id;       // stable: "media.insert-disk", "engine.dde-error", ...
  QString Text;     // byte for byte what the user reads; "\r" breaks a line
  QString Caption;  // empty: the kind's own title
  TKind Kind = TKind::Information;
  TAlign Align = TAlign::Center;
  TButtons Buttons = prompt::Buttons({bOK});
  TButton Default = bOK;
  // Shown in the platform's plain message box rather than the kit's dialog (no kind, no prefix).
  bool Plain = false;
  // The heading the kit's dialog puts above the text, in capitals; it stays for the messages
  // after (the kit's message prefix). Unset: the heading as it stands.
  std::optional<QString> Prefix = std::nullopt;
  // The heading left for later messages once this one is answered. Unset: Prefix (or as it was).
  std::optional<QString> PrefixAfter = std::nullopt;
};

using THandler = std::function<int(const TPrompt&)>;

// Asks the current handler; 0 when none is installed.
int Ask(const TPrompt& p);
// Installs the handler that answers from now on; returns the one it replaces.
THandler SetHandler(THandler handler);

// Sets the heading of later messages without asking anything (the kit's message prefix), through
// the setter installed with the kit; nothing when none is installed.
void SetPrefix(const QString& prefix);
using TPrefixSetter = std::function<void(const QString&)>;
TPrefixSetter SetPrefixSetter(TPrefixSetter setter);

// For tests and scripts: answers by identifier while it lives, and records what was asked.
// An identifier without an answer fails loudly (the test did not expect the message).
class TScriptedAnswers {
 public:
  TScriptedAnswers();
  ~TScriptedAnswers();
  TScriptedAnswers(const TScriptedAnswers&) = delete;
  TScriptedAnswers& operator=(const TScriptedAnswers&) = delete;

  // The answer for every later prompt with this identifier.
  void Answer(const QString& id, int answer);
  // Answers in turn for the prompts with this identifier; the last one repeats.
  void AnswerInTurn(const QString& id, std::initializer_list<int> answers);

  // Every prompt asked while this lived, in order.
  const std::vector<TPrompt>& Asked() const { return asked_; }
  QStringList AskedIds() const;
  // Prompts asked that had no answer: their identifiers.
  const QStringList& Unexpected() const { return unexpected_; }

 private:
  struct Turn {
    std::vector<int> answers;
    size_t next = 0;
  };
  std::map<QString, Turn> answers_;
  std::vector<TPrompt> asked_;
  QStringList unexpected_;
  THandler previous_;
};

}  // namespace prompt

#include "prompt/Prompt.h"

namespace prompt {
namespace {
THandler& Current() {
  static THandler handler;
  return handler;
}

TPrefixSetter& CurrentPrefixSetter() {
  static TPrefixSetter setter;
  return setter;
}
}  // namespace

int Ask(const TPrompt& p) {
  return Current() ? Current()(p) : aNone;
}

void SetPrefix(const QString& prefix) {
  if (CurrentPrefixSetter()) CurrentPrefixSetter()(prefix);
}

TPrefixSetter SetPrefixSetter(TPrefixSetter setter) {
  TPrefixSetter old = std::move(CurrentPrefixSetter());
  CurrentPrefixSetter() = std::move(setter);
  return old;
}

THandler SetHandler(THandler handler) {
  THandler old = std::move(Current());
  Current() = std::move(handler);
  return old;
}

TScriptedAnswers::TScriptedAnswers() {
  previous_ = SetHandler([this](const TPrompt& p) {
    asked_.push_back(p);
    auto it = answers_.find(p.Id);
    if (it == answers_.end() || it->second.answers.empty()) {
      unexpected_ << p.Id;
      return int(aNone);
    }
    Turn& turn = it->second;
    int answer = turn.answers[std::min(turn.next, turn.answers.size() - 1)];
    ++turn.next;
    return answer;
  });
}

TScriptedAnswers::~TScriptedAnswers() {
  SetHandler(std::move(previous_));
}

void TScriptedAnswers::Answer(const QString& id, int answer) {
  answers_[id] = Turn{{answer}, 0};
}

void TScriptedAnswers::AnswerInTurn(const QString& id, std::initializer_list<int> answers) {
  answers_[id] = Turn{std::vector<int>(answers), 0};
}

QStringList TScriptedAnswers::AskedIds() const {
  QStringList ids;
  for (const TPrompt& p : asked_) ids << p.Id;
  return ids;
}

}  // namespace prompt

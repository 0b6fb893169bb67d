// The prompt interface: scripted answers by identifier, and the kit's dialog behind it.
#include <gtest/gtest.h>

#include "common/ScriptedUser.h"
#include "prompt/Prompt.h"

namespace {
prompt::TPrompt Disk(int n) {
  return {"media.insert-disk",
          "introdu discul de instalare cu numarul \r" + QString::number(n),
          "",
          prompt::TKind::Warning,
          prompt::TAlign::Center,
          prompt::Buttons({prompt::bOK, prompt::bCancel}),
          prompt::bOK};
}
}  // namespace

TEST(PromptTest, ScriptedAnswersByIdentifierInTurnAndRecordsTheUnexpected) {
  prompt::TScriptedAnswers script;
  script.AnswerInTurn("media.insert-disk", {prompt::aOK, prompt::aCancel});
  EXPECT_EQ(prompt::Ask(Disk(2)), prompt::aOK);
  EXPECT_EQ(prompt::Ask(Disk(3)), prompt::aCancel);
  EXPECT_EQ(prompt::Ask(Disk(4)), prompt::aCancel);  // the last answer repeats
  prompt::TPrompt dde;
  dde.Id = "engine.dde-error";
  EXPECT_EQ(prompt::Ask(dde), prompt::aNone);
  EXPECT_EQ(script.AskedIds(), QStringList({"media.insert-disk", "media.insert-disk",
                                            "media.insert-disk", "engine.dde-error"}));
  EXPECT_EQ(script.Unexpected(), QStringList({"engine.dde-error"}));
  EXPECT_EQ(script.Asked()[1].Text, "introdu discul de instalare cu numarul \r3");
}

TEST(PromptTest, TheKitAnswersOnceTheScriptIsGone) {
  { prompt::TScriptedAnswers script; }
  // The kit's dialog is back: a user closes it without a button, which counts as Cancel.
  ScriptedUser user;
  QString seen;
  user.Then([&](QWidget* modal) {
    seen = ScriptedUser::MessageText(modal);
    ScriptedUser::Reject()(modal);
  });
  EXPECT_EQ(prompt::Ask(Disk(2)), prompt::aCancel);
  EXPECT_EQ(seen, "introdu discul de instalare cu numarul \n2");
}

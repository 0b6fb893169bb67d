#include "engine/Groupint.h"

#include <QStringList>
#include <memory>

#include "core/Iglobals.h"
#include "platform/Codepage.h"
#include "platform/Dde.h"
#include "platform/Files.h"
#include "prompt/Prompt.h"

QString GroupMacro() {
  QStringList commands;
  auto item = [&](const QString& file, const QString& title) {
    // ProgramDir as stored: a trailing "\" gives a doubled one, which the shell accepts.
    commands << QString("[AddItem(\"%1\", \"%2\")]").arg(ProgramDir + "\\" + file, title);
  };
  commands << "[CreateGroup(\"ZarEDERAD\")]";
  item("ZORVAN.EXE", "Zorvan");
  // The service program comes with the satellite module, so VELAROS.EXE decides both items.
  if (win::FileExists(ShownProgramDir + "\\VELAROS.EXE")) {
    item("SERVICE.EXE", "Service");
    item("VELAROS.EXE", "Velaros");
  }
  if (win::FileExists(ShownProgramDir + "\\KANVERO.EXE")) item("KANVERO.EXE", "Kanvero");
  commands << "[ShowGroup(\"ZarEDERAD\",8)]";
  QString text;
  for (const QString& c : commands) text += c + "\r\n";
  return text;
}

void DoConfigGroup() {
  auto conv = std::make_unique<win::TDdeClientConv>();
  conv->ConnectMode = win::ddeManual;
  conv->SetLink("ProgMan", "");
  if (!conv->OpenLink()) {
    prompt::TPrompt p;
    p.Id = "engine.dde-error";
    p.Text = "Eroare DDE!";
    p.Caption = "Eroare...";
    p.Kind = prompt::TKind::Error;
    p.Buttons = prompt::Buttons({prompt::bCancel});
    p.Default = prompt::bCancel;
    prompt::Ask(p);
    return;
  }
  QByteArray macro = win::UnicodeToAnsi(GroupMacro());  // QByteArray keeps its zero byte
  conv->ExecuteMacro(macro.constData(), true);
}

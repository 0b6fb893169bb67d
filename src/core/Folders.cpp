#include "core/Folders.h"

#include "core/Iglobals.h"
#include "platform/Files.h"
#include "prompt/Prompt.h"

TFolderChoice CheckFolders(unsigned char installKind, const QString& programDir,
                           const QString& dataDir, const QString& currentDataDir) {
  TFolderChoice choice{true, programDir, currentDataDir};
  switch (installKind) {
    case ikLocal:
      choice.DataDir = programDir;
      break;
    case ikServer:
      // A new data folder is made only under a parent that exists.
      if (win::DirectoryExists(dataDir) || win::CreateDir(dataDir))
        choice.DataDir = dataDir;
      else
        choice.Ok = false;
      break;
    case ikClient:
      if (win::DirectoryExists(dataDir)) {
        choice.DataDir = dataDir;
      } else {
        prompt::TPrompt p;
        p.Id = "folders.client-database";
        p.Text = "La instalarea client baza de date trebuie sa existe!";
        p.Caption = "Eroare!";
        p.Kind = prompt::TKind::Error;
        p.Buttons = prompt::Buttons({prompt::bCancel});
        p.Default = prompt::bCancel;
        prompt::Ask(p);
        choice.Ok = false;
      }
      break;
    default:
      break;
  }
  if (!win::DirectoryExists(programDir) && !win::CreateDir(programDir)) choice.Ok = false;
  return choice;
}

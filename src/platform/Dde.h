#pragma once
// The conversation layer: what the program uses of a DDE client. Services are served in this
// process; "ProgMan", the shell's program groups, is always there (Progman.h).
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace win {

// The server side of a conversation.
class DdeServer {
 public:
  virtual ~DdeServer() = default;
  // Accepts a conversation on a topic; false refuses it.
  virtual bool Connect(const QString& topic) = 0;
  // Carries out a macro (the command text, in the ANSI code page).
  virtual void Execute(const QByteArray& command) = 0;
};

using DdeServerFactory = std::function<std::unique_ptr<DdeServer>()>;
// Makes a service answer in this process (replacing one of the same name, case aside); an empty
// factory removes it.
void RegisterDdeService(const QString& service, DdeServerFactory factory);

enum TDataMode { ddeAutomatic, ddeManual };

class TDdeClientConv : public QObject {
  Q_OBJECT
 public:
  explicit TDdeClientConv(QObject* parent = nullptr);
  ~TDdeClientConv() override;

  TDataMode ConnectMode = ddeAutomatic;
  // Sets the service and topic; in automatic mode the link is opened at once.
  bool SetLink(const QString& service, const QString& topic);
  // Establishes the conversation. When no server answers, a program named after the service
  // (service, a blank, the topic) is started and, if it could be, the link is tried once more.
  bool OpenLink();
  void CloseLink();
  bool Connected() const { return server_ != nullptr; }

  // Sends a macro: text up to its zero byte. With waitFlg it is carried out before the call
  // returns; otherwise it is carried out from the event loop, and no other transaction is taken
  // until then. False when there is no conversation or one is still busy.
  bool ExecuteMacro(const char* cmd, bool waitFlg);
  bool Busy() const { return busy_; }

 private:
  QString service_, topic_;
  std::unique_ptr<DdeServer> server_;
  bool busy_ = false;
};

}  // namespace win

#include "platform/Dde.h"

#include <QMap>
#include <QPointer>
#include <QTimer>

#include "platform/Process.h"
#include "platform/Progman.h"

namespace win {
namespace {

QMap<QString, DdeServerFactory>& Services() {
  static QMap<QString, DdeServerFactory> services = {
      {"PROGMAN", [] { return std::unique_ptr<DdeServer>(new ProgmanServer); }}};
  return services;
}

std::unique_ptr<DdeServer> Answer(const QString& service, const QString& topic) {
  DdeServerFactory factory = Services().value(service.toUpper());
  if (!factory) return nullptr;
  std::unique_ptr<DdeServer> server = factory();
  if (!server || !server->Connect(topic)) return nullptr;
  return server;
}

}  // namespace

void RegisterDdeService(const QString& service, DdeServerFactory factory) {
  if (factory)
    Services()[service.toUpper()] = std::move(factory);
  else
    Services().remove(service.toUpper());
}

TDdeClientConv::TDdeClientConv(QObject* parent) : QObject(parent) {}

TDdeClientConv::~TDdeClientConv() {
  CloseLink();
}

bool TDdeClientConv::SetLink(const QString& service, const QString& topic) {
  CloseLink();
  service_ = service;
  topic_ = topic;
  return ConnectMode == ddeAutomatic ? OpenLink() : true;
}

bool TDdeClientConv::OpenLink() {
  if (server_) return true;
  if (service_.isEmpty()) return false;
  server_ = Answer(service_, topic_);
  if (!server_ && RunProcess(service_ + " " + topic_, SW_SHOWNORMAL, false) != -1)
    server_ = Answer(service_, topic_);
  return server_ != nullptr;
}

void TDdeClientConv::CloseLink() {
  server_.reset();
  busy_ = false;
}

bool TDdeClientConv::ExecuteMacro(const char* cmd, bool waitFlg) {
  if (!server_ || busy_ || !cmd) return false;
  QByteArray command(cmd);
  if (waitFlg) {
    busy_ = true;
    server_->Execute(command);
    busy_ = false;
    return true;
  }
  busy_ = true;
  QPointer<TDdeClientConv> self(this);
  QTimer::singleShot(0, this, [self, command] {
    if (!self || !self->server_) return;
    self->server_->Execute(command);
    self->busy_ = false;
  });
  return true;
}

}  // namespace win

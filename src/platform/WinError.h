#pragma once
// Failures of the platform layer: exceptions that carry a readable message and, where the
// platform has one, its error code.
#include <QString>
#include <stdexcept>

namespace win {

// Error codes of the platform that the program can meet.
enum : int {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_DRIVE = 15,
  ERROR_WRITE_PROTECT = 19,
  ERROR_NOT_READY = 21,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_HANDLE_DISK_FULL = 39,
  ERROR_NOT_SUPPORTED = 50,
  ERROR_FILE_EXISTS = 80,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_DISK_FULL = 112,
  ERROR_INVALID_NAME = 123,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_ALREADY_EXISTS = 183,
};

class Error : public std::runtime_error {
 public:
  Error(const QString& message, int code = 0)
      : std::runtime_error(message.toStdString()), code_(code) {}
  int code() const { return code_; }
  QString message() const { return QString::fromStdString(what()); }

 private:
  int code_;
};

// An input/output error on a file: its message names the error code and the file.
class EInOutError : public Error {
 public:
  EInOutError(int code, const QString& fileName);
};

// The platform's error code for a host errno value.
int ErrorFromErrno(int err, bool isPath = false);
// The platform's short text for an error code ("Access is denied.").
QString ErrorText(int code);

}  // namespace win

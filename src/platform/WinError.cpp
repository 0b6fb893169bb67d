#include "platform/WinError.h"

#include <cerrno>

namespace win {

int ErrorFromErrno(int err, bool isPath) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return isPath ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case ENAMETOOLONG:
    case EINVAL:
      return ERROR_INVALID_NAME;
    case ENOTSUP:
      return ERROR_NOT_SUPPORTED;
    default:
      return 1117;  // ERROR_IO_DEVICE
  }
}

QString ErrorText(int code) {
  switch (code) {
    case ERROR_SUCCESS:
      return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case ERROR_INVALID_DRIVE:
      return "The system cannot find the drive specified.";
    case ERROR_WRITE_PROTECT:
      return "The media is write protected.";
    case ERROR_NOT_READY:
      return "The device is not ready.";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case ERROR_NOT_SUPPORTED:
      return "The request is not supported.";
    case ERROR_FILE_EXISTS:
      return "The file exists.";
    case ERROR_DISK_FULL:
      return "There is not enough space on the disk.";
    case ERROR_INVALID_NAME:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_DIR_NOT_EMPTY:
      return "The directory is not empty.";
    case ERROR_ALREADY_EXISTS:
      return "Cannot create a file when that file already exists.";
    default:
      return "An I/O device error occurred.";
  }
}

EInOutError::EInOutError(int code, const QString& fileName)
    : Error(QString("I/O error %1: %2 (%3)").arg(code).arg(ErrorText(code), fileName), code) {}

}  // namespace win

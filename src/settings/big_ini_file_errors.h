// The failures of the INI file store.
#pragma once

#include "rtl/exceptions.h"

/// A file of the INI file store could not be read or written.
class EFileError : public rtl::Exception {
public:
  using rtl::Exception::Exception;
};

/// The file exists but could not be opened or read: "Cannot open file "<name>". <cause>".
class EFOpenError : public EFileError {
public:
  using EFileError::EFileError;
};

/// The file could not be written: "Cannot create file "<name>". <cause>". The file on disk is
/// then left as it was.
class EFCreateError : public EFileError {
public:
  using EFileError::EFileError;
};

/// A section, key or value that cannot be kept in an INI file, because the line written for it
/// would not read back as the same section or key (a line break, a '=' in the key, or a line of
/// the form "[...]").
class EIniLineError : public rtl::Exception {
public:
  using rtl::Exception::Exception;
};

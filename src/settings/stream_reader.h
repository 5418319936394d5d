// Line reader over a byte stream. The INI file store reads its files through it in buffered
// chunks, so that a large file costs one pass however long its lines are.
#pragma once

#include "rtl/exceptions.h"
#include "rtl/object.h"

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

/// An input or output operation could not be carried out.
class EInOutError : public rtl::Exception {
public:
  using rtl::Exception::Exception;
};

/// Reads text lines from a stream through a buffer. A line ends at CR, at LF or at CR LF (a CR LF
/// pair split across two buffer fills is still one line break); the last line needs no line
/// break. Bytes are passed on as they are, without any code page conversion.
class TStreamReader : public TObject {
public:
  static constexpr std::size_t kMinBufferSize = 128;

  /// Reads from Stream with a buffer of BufferSize bytes (at least kMinBufferSize). When
  /// OwnsStream is set the reader deletes the stream when it is closed or destroyed.
  /// Raises EInOutError "Stream is nil" when Stream is null.
  TStreamReader(std::istream* stream, bool ownsStream, std::size_t bufferSize = 4096);
  ~TStreamReader() override;

  /// The next line without its line break; an empty text once the stream is used up.
  std::string ReadLine();
  /// True when the buffer is used up and the stream gives no more bytes, or after Close.
  bool EndOfStream();
  /// Stops reading; an owned stream is deleted.
  void Close();

private:
  /// Refills the buffer from the stream; false when the stream gave no bytes.
  bool FillBuffer();

  std::istream* stream_;
  bool ownsStream_;
  bool closed_ = false;
  std::vector<char> buffer_;
  std::size_t count_ = 0;    // bytes in the buffer
  std::size_t position_ = 0; // next byte to hand out
};

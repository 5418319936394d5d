#include "settings/stream_reader.h"

#include <algorithm>

TStreamReader::TStreamReader(std::istream* stream, bool ownsStream, std::size_t bufferSize)
    : stream_(stream), ownsStream_(ownsStream) {
  if (!stream_)
    throw EInOutError("Stream is nil");
  buffer_.resize(std::max(bufferSize, kMinBufferSize));
}

TStreamReader::~TStreamReader() {
  Close();
}

void TStreamReader::Close() {
  if (ownsStream_)
    delete stream_;
  stream_ = nullptr;
  ownsStream_ = false;
  closed_ = true;
  count_ = position_ = 0;
}

bool TStreamReader::FillBuffer() {
  count_ = position_ = 0;
  if (closed_ || !stream_ || !*stream_)
    return false;
  stream_->read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  count_ = static_cast<std::size_t>(std::max<std::streamsize>(stream_->gcount(), 0));
  return count_ > 0;
}

bool TStreamReader::EndOfStream() {
  if (closed_)
    return true;
  return position_ >= count_ && !FillBuffer();
}

std::string TStreamReader::ReadLine() {
  std::string line;
  while (!EndOfStream()) {
    const char* begin = buffer_.data() + position_;
    const char* end = buffer_.data() + count_;
    const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
    line.append(begin, stop);
    position_ += static_cast<std::size_t>(stop - begin);
    if (stop == end)
      continue; // the line goes on in the next buffer fill
    ++position_;
    // A CR may be the first half of CR LF, whose LF can sit in the next buffer fill.
    if (*stop == '\r' && !EndOfStream() && buffer_[position_] == '\n')
      ++position_;
    return line;
  }
  return line;
}

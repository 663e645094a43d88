// Counting the line feeds of a stretch of text: the bulk reader counts the
// records of every block it reads ahead, and of each piece it cuts a block
// into, so the count runs over every byte of a large file.
#ifndef RECORD_IO_LINE_FEEDS_HPP
#define RECORD_IO_LINE_FEEDS_HPP

#include <cstddef>
#include <string_view>

namespace rio {

// The line feeds in `text`, eight bytes at a time.
std::size_t count_line_feeds(std::string_view text);

}  // namespace rio

#endif

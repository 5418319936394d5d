#include "frame/log_data_list.h"

// Placeholder bodies; the host log channel replaces them.
void TLogDataList::AddLine(std::string_view line) { Add(line); }
std::string TLogDataList::GetText() { return Text(); }

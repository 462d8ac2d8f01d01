#pragma once
// Rewriting one stream of a compound file and leaving everything else as it
// was: the stream's new contents take over its old sectors, then free
// sectors, then sectors appended at the end of the file (with the allocation
// table and its DIFAT grown as needed); only the allocation table, the
// header's counts and the stream's directory entry change besides. Every
// other stream and storage, and the directory's order, stay byte for byte.

#include <cstdint>
#include <string>
#include <string_view>

#include "workbook/xls/compound_file_reader.h"

namespace ovix::workbook::xls {

// The bytes of `file` with the stream entry `entry` holding `data`. A stream
// shorter than the mini stream cutoff is padded with zeros up to it, so it
// always lives in regular sectors (as Excel keeps its Workbook stream).
std::string ReplaceStream(const CompoundFile& file, uint32_t entry, std::string_view data);

}  // namespace ovix::workbook::xls

#pragma once
// The in-process workbook engine: an implementation of the spreadsheet
// automation interface (excel/excel_automation.h) that keeps workbooks in
// memory and saves them as Office Open XML workbooks (.xlsx), or as legacy
// Excel 97-2003 workbooks when the file name ends in .xls (workbook/xls/).
//
// Programs and tests call RegisterAutomationClass() once; afterwards
// excel::CreateObject(kEngineProgId) starts a new engine instance, as
// automation clients start the spreadsheet application.
//
// Workbooks.Open reads .xlsx and .xlsm workbooks (opened_package.h) and
// legacy .xls workbooks (xls/xls_opened_workbook.h), chosen by the file's
// content; a workbook that is already open from the same file is read from
// disk again and replaces the open copy. The Strict format, Excel 5.0/95
// workbooks and encrypted ones are refused with an AutomationError.

#include <memory>

#include "excel/excel_automation.h"

namespace ovix::workbook {

inline constexpr const char* kEngineProgId = "Excel.Application.9";

// A new, independent application instance (not registered as running).
std::shared_ptr<excel::Application> CreateApplication();

// Registers the engine under kEngineProgId with excel::RegisterClass.
void RegisterAutomationClass();

}  // namespace ovix::workbook

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
// Workbooks.Open reads .xlsx and .xlsm workbooks (opened_package.h); a
// workbook that is already open from the same file is read from disk again
// and replaces the open copy. Legacy .xls workbooks and the Strict format
// are refused with an AutomationError.

#include <memory>

#include "excel/excel_automation.h"

namespace ovix::workbook {

inline constexpr const char* kEngineProgId = "Excel.Application.9";

// A new, independent application instance (not registered as running).
std::shared_ptr<excel::Application> CreateApplication();

// Registers the engine under kEngineProgId with excel::RegisterClass.
void RegisterAutomationClass();

}  // namespace ovix::workbook

// Application, workbooks, sheets and cell ranges of the engine.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "workbook/automation_objects.h"
#include "workbook/cell_reference.h"
#include "workbook/opened_package.h"
#include "workbook/workbook_engine.h"
#include "workbook/xls/xls_writer.h"
#include "workbook/xlsx_writer.h"
#include "workbook/xls/compound_file_reader.h"
#include "workbook/xls/xls_opened_workbook.h"
#include "workbook/xls/xls_workbook_save.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

void ApplicationState::CheckRunning() const {
  if (quit) throw excel::AutomationError("the application has quit");
}

std::shared_ptr<WorkbookState> ApplicationState::ActiveWorkbook() const {
  CheckRunning();
  if (!active) throw excel::AutomationError("no workbook is open");
  return active;
}

// --- Application -------------------------------------------------------------

ApplicationImpl::ApplicationImpl() : state_(std::make_shared<ApplicationState>()) {}

std::string ApplicationImpl::Name() const { return "Microsoft Excel"; }
std::string ApplicationImpl::Version() const { return "9.0"; }

std::shared_ptr<excel::Workbooks> ApplicationImpl::Workbooks() {
  state_->CheckRunning();
  return std::make_shared<WorkbooksImpl>(state_);
}

std::shared_ptr<excel::Worksheets> ApplicationImpl::Worksheets() {
  return std::make_shared<WorksheetsImpl>(state_->ActiveWorkbook());
}

std::shared_ptr<excel::Workbook> ApplicationImpl::ActiveWorkbook() {
  return std::make_shared<WorkbookImpl>(state_, state_->ActiveWorkbook());
}

std::shared_ptr<excel::Selection> ApplicationImpl::Selection() {
  auto book = state_->ActiveWorkbook();
  if (!book->selection) throw excel::AutomationError("nothing is selected");
  return std::make_shared<SelectionImpl>(book, book->selection);
}

bool ApplicationImpl::Visible() const {
  // An application that quit is no longer shown.
  return state_->visible && !state_->quit;
}

void ApplicationImpl::SetVisible(bool value) {
  state_->CheckRunning();
  state_->visible = value;
}

void ApplicationImpl::Quit() {
  if (state_->quit) return;
  for (auto& book : state_->workbooks) {
    book->closed = true;
    book->selection.reset();
  }
  state_->workbooks.clear();
  state_->active.reset();
  state_->quit = true;
  excel::RevokeRunningInstance(this);
}

// --- Workbooks ---------------------------------------------------------------

int32_t WorkbooksImpl::Count() const {
  app_->CheckRunning();
  return static_cast<int32_t>(app_->workbooks.size());
}

std::shared_ptr<excel::Workbook> WorkbooksImpl::Item(int32_t index) {
  app_->CheckRunning();
  if (index < 1 || static_cast<size_t>(index) > app_->workbooks.size()) {
    throw excel::AutomationError("there is no workbook number " + std::to_string(index));
  }
  return std::make_shared<WorkbookImpl>(app_, app_->workbooks[static_cast<size_t>(index - 1)]);
}

std::shared_ptr<excel::Workbook> WorkbooksImpl::Add() {
  app_->CheckRunning();
  auto book = std::make_shared<WorkbookState>();
  book->name = "Book" + std::to_string(app_->next_book_number++);
  auto sheet = std::make_unique<SheetState>();
  sheet->name = "Sheet1";
  book->sheets.push_back(std::move(sheet));
  app_->workbooks.push_back(book);
  app_->active = book;
  return std::make_shared<WorkbookImpl>(app_, book);
}

namespace {

std::string LowerExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// A workbook opened from a file keeps the format it was read in; otherwise
// the file name's extension chooses it: .xls (any case) the legacy workbook,
// anything else the package.
void SaveInFormatOfName(const WorkbookState& book, const fs::path& path) {
  if (book.legacy) {
    xls::SaveOpenedXls(book, path);
  } else if (book.package) {
    SaveWorkbookAsXlsx(book, path);
  } else if (LowerExtension(path) == ".xls") {
    SaveWorkbookAsXls(book, path);
  } else {
    SaveWorkbookAsXlsx(book, path);
  }
}

// The same file, however the two paths spell it.
bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

// The file's first bytes, or nothing when it cannot be read.
std::string FileStart(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char start[8] = {};
  in.read(start, sizeof start);
  return std::string(start, static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
}

// A workbook is opened as what its content is, whatever its name says: a
// compound file is a legacy .xls workbook, a ZIP package an Office Open XML
// one (as some systems hand out .xlsx packages under an .xls name).
std::shared_ptr<WorkbookState> OpenByContent(const fs::path& absolute, const std::string& path) {
  const std::string start = FileStart(absolute);
  if (xls::LooksLikeCompoundFile(start)) {
    std::ifstream in(absolute, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) throw excel::AutomationError("cannot open \"" + path + "\": the file cannot be read");
    return xls::OpenXlsWorkbook(absolute, std::move(bytes));
  }
  const std::string extension = LowerExtension(absolute);
  if (start.rfind("PK", 0) == 0 || extension == ".xlsx" || extension == ".xlsm" || start.empty()) {
    return OpenXlsxWorkbook(absolute);
  }
  throw excel::AutomationError("ブック「" + path + "」を開けません: Excel のブック（.xlsx、.xlsm、.xls）ではありません");
}

}  // namespace

// A workbook that is already open in this application from the same file is
// not drawn into as it is: the file on disk is what the caller chose, and the
// open copy may be stale (a run that left it open, and the file saved or
// replaced since). The file is read again; only when that succeeded is the
// open copy closed (its unsaved changes discarded, as "revert to saved"
// does) and the fresh copy takes its place as the active workbook.
std::shared_ptr<excel::Workbook> WorkbooksImpl::Open(const std::string& path) {
  app_->CheckRunning();
  if (path.empty()) throw excel::AutomationError("Open needs a file name");
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(path), ec);
  if (ec) throw excel::AutomationError("cannot open \"" + path + "\": " + ec.message());
  std::shared_ptr<WorkbookState> book = OpenByContent(absolute, path);
  auto& list = app_->workbooks;
  for (auto& open : list) {
    if (!open->full_name.empty() && SameFile(open->full_name, absolute)) {
      open->closed = true;
      open->selection.reset();
    }
  }
  list.erase(std::remove_if(list.begin(), list.end(), [](const auto& b) { return b->closed; }), list.end());
  list.push_back(book);
  app_->active = book;
  return std::make_shared<WorkbookImpl>(app_, book);
}

// --- Workbook ----------------------------------------------------------------

std::string WorkbookImpl::Name() const {
  book_->CheckOpen();
  return book_->name;
}

std::string WorkbookImpl::FullName() const {
  book_->CheckOpen();
  return book_->full_name;
}

std::shared_ptr<excel::Worksheets> WorkbookImpl::Worksheets() {
  book_->CheckOpen();
  return std::make_shared<WorksheetsImpl>(book_);
}

void WorkbookImpl::Save() {
  book_->CheckOpen();
  if (book_->full_name.empty()) {
    throw excel::AutomationError("the workbook " + book_->name +
                                 " has never been saved: use SaveAs with a file name");
  }
  SaveInFormatOfName(*book_, book_->full_name);
  book_->saved = true;
}

void WorkbookImpl::SaveAs(const std::string& path, int32_t accessMode) {
  book_->CheckOpen();
  if (path.empty()) throw excel::AutomationError("SaveAs needs a file name");
  if (accessMode < 1 || accessMode > 3) {
    throw excel::AutomationError("unknown access mode " + std::to_string(accessMode));
  }
  fs::path target(path);
  const std::string extension = LowerExtension(target);
  if (book_->legacy) {
    // A workbook opened from an .xls file is saved as one.
    if (extension == ".xlsx" || extension == ".xlsm") {
      throw excel::AutomationError("cannot save \"" + path +
                                   "\": this workbook was opened as an .xls workbook and is saved as one");
    }
  } else if (book_->package) {
    // An opened package keeps its format (a macro-enabled one stays .xlsm).
    if (extension != book_->package->extension) {
      throw excel::AutomationError("cannot save \"" + path + "\": this workbook was opened as a " +
                                   book_->package->extension + " package and is saved as one");
    }
  } else if (extension != ".xlsx" && extension != ".xls") {
    throw excel::AutomationError("cannot save \"" + path +
                                 "\": the file name's extension chooses the format, and this "
                                 "engine writes .xlsx and .xls workbooks");
  }
  std::error_code ec;
  const fs::path absolute = fs::absolute(target, ec);
  if (ec) throw excel::AutomationError("cannot save \"" + path + "\": " + ec.message());
  SaveInFormatOfName(*book_, absolute);
  book_->full_name = absolute.string();
  book_->name = absolute.filename().string();
  book_->saved = true;
}

void WorkbookImpl::Close() {
  book_->CheckOpen();
  book_->closed = true;
  book_->selection.reset();
  auto& list = app_->workbooks;
  list.erase(std::remove(list.begin(), list.end(), book_), list.end());
  if (app_->active == book_) app_->active = list.empty() ? nullptr : list.back();
}

bool WorkbookImpl::Saved() const {
  book_->CheckOpen();
  return book_->saved;
}

// --- Worksheets --------------------------------------------------------------

int32_t WorksheetsImpl::Count() const {
  book_->CheckOpen();
  return static_cast<int32_t>(book_->sheets.size());
}

std::shared_ptr<excel::Worksheet> WorksheetsImpl::Item(int32_t index) {
  book_->CheckOpen();
  if (index < 1 || static_cast<size_t>(index) > book_->sheets.size()) {
    throw excel::AutomationError("there is no sheet number " + std::to_string(index));
  }
  SheetState* sheet = book_->sheets[static_cast<size_t>(index - 1)].get();
  EnsureSheetLoaded(*book_, *sheet);
  return std::make_shared<WorksheetImpl>(SheetRef{book_, sheet});
}

std::shared_ptr<excel::Worksheet> WorksheetsImpl::Item(const std::string& name) {
  book_->CheckOpen();
  for (const auto& sheet : book_->sheets) {
    if (sheet->name == name) {
      EnsureSheetLoaded(*book_, *sheet);
      return std::make_shared<WorksheetImpl>(SheetRef{book_, sheet.get()});
    }
  }
  throw excel::AutomationError("the workbook " + book_->name + " has no sheet named \"" + name +
                               "\"");
}

// --- Worksheet and Range -----------------------------------------------------

std::string WorksheetImpl::Name() const {
  ref_.CheckOpen();
  return ref_.sheet->name;
}

void WorksheetImpl::Activate() {
  ref_.CheckOpen();
  auto& sheets = ref_.workbook->sheets;
  for (size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].get() == ref_.sheet) ref_.workbook->active_sheet = i;
  }
}

std::shared_ptr<excel::Shapes> WorksheetImpl::Shapes() {
  ref_.CheckOpen();
  return std::make_shared<ShapesImpl>(ref_);
}

std::shared_ptr<excel::PageSetup> WorksheetImpl::PageSetup() {
  ref_.CheckOpen();
  return std::make_shared<PageSetupImpl>(ref_);
}

std::shared_ptr<excel::Range> WorksheetImpl::Range(const std::string& address) {
  ref_.CheckOpen();
  const auto parsed = ParseCellReference(address);
  if (!parsed) throw excel::AutomationError("\"" + address + "\" is not a cell reference");
  return std::make_shared<RangeImpl>(ref_, parsed->Absolute());
}

std::string RangeImpl::Address() const {
  ref_.CheckOpen();
  return address_;
}

void RangeImpl::Select() {
  ref_.CheckOpen();
  ref_.workbook->SelectCells(*ref_.sheet, address_);
}

// --- Registration ------------------------------------------------------------

std::shared_ptr<excel::Application> CreateApplication() {
  return std::make_shared<ApplicationImpl>();
}

void RegisterAutomationClass() { excel::RegisterClass(kEngineProgId, CreateApplication); }

}  // namespace ovix::workbook

// ovix-convert: the command-line program.
//
//   ovix-convert IN.dxf OUT.xlsx [options]      one drawing to one workbook
//   ovix-convert IN.dxf... -o DIR [options]     each drawing to DIR/NAME.xlsx
//                                               (--format xls: DIR/NAME.xls)
//   ovix-convert --info FILE.dxf                what a drawing holds, as JSON
//
// A conversion runs exactly the window's run with the window's option
// values. Status texts and message boxes go to standard error; the exit
// status is 0 when every conversion succeeded in both stages, 1 when one
// failed or was refused, and 2 for a usage error.

#include <unistd.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/batch_conversion.h"
#include "app/cli_option_values.h"
#include "app/console_run_view.h"
#include "app/dxf_info_report.h"
#include "app/dxf_stage.h"
#include "app/run_options.h"
#include "model/rv_document.h"
#include "workbook/workbook_engine.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int RunInfo(const std::string& path) {
  ovix::RvDocument document;
  std::string last_status;
  ovix::DxfStageCallbacks callbacks;
  callbacks.ShowStatus = [&](const std::string& text) { last_status = text; };
  if (!ovix::ImportDxfFile(document, path, callbacks)) {
    if (last_status == ovix::kStatusOpeningDxf) {
      std::cerr << "ovix-convert: DXFファイルを開けません: " << path << "\n";
    } else {
      std::cerr << "ovix-convert: DXFファイルを読み込めませんでした (" << last_status
                << "): " << path << "\n";
    }
    return kExitFailed;
  }
  std::cout << ovix::DxfInfoReport(document, path) << "\n";
  return 0;
}

// The conversion options, as the window's first start has them.
struct Choices {
  std::string paper = ovix::kDefaultPaper;
  std::string scale = ovix::kAutoScaleText;
  std::string line_weight = ovix::kCadLineWeightText;
  int arrow_style = 2;
  std::string arrow_length = "M";
  std::string arrow_width = "S";
  bool unify_dim_text = false;
  bool omit_small_arrows = false;
  bool monochrome = false;
  bool group = false;
  bool save_close = false;
  bool open = false;
  bool overwrite = false;
};

std::string PaperList() {
  std::string list;
  for (const char* item : ovix::kPaperItems) {
    if (std::string(item) == ovix::kPaperSeparator) continue;
    if (!list.empty()) list += ", ";
    list += std::string("\"") + item + "\" (" + ovix::PaperOptionSpelling(item) + ")";
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Ovix: DXF図面をExcelの図形に変換し、ブックを保存します\n"
      "  ovix-convert IN.dxf OUT.xlsx [オプション]\n"
      "  ovix-convert IN.dxf... -o DIR [オプション]\n"
      "  ovix-convert --info FILE.dxf",
      "ovix-convert"};
  app.footer(
      "終了ステータス: 0 = すべての変換が成功, 1 = 失敗または拒否した変換がある, 2 = 使い方の誤り");

  std::string info_path;
  std::vector<std::string> files;
  std::string output_dir;
  std::string format = "xlsx";
  Choices c;

  app.add_option("--info", info_path, "DXF図面を読み込み、その内容をJSONで表示します")
      ->type_name("FILE.dxf");
  app.add_option("files", files, "変換するDXF図面と出力するブック (IN.dxf OUT.xlsx)、"
                                 "または -o とともに変換する図面")
      ->type_name("FILE");
  app.add_option("-o,--output-dir", output_dir,
                 "各図面を DIR/NAME.xlsx に変換します (複数の図面を同時に変換)")
      ->type_name("DIR");
  app.add_option("--format", format,
                 "-o で出力するブックの形式: xlsx (Excelブック) または xls (Excel 97-2003) "
                 "[既定: xlsx]")
      ->type_name("xlsx|xls")
      ->check(CLI::IsMember({"xlsx", "xls"}, CLI::ignore_case));
  app.add_option("--paper", c.paper, "ページ設定: " + PaperList() + " [既定: \"A4 縦\"]")
      ->type_name("PAPER")
      ->transform(CLI::Validator(
          [](std::string& value) -> std::string {
            const auto paper = ovix::PaperFromOption(value);
            if (!paper) return "用紙の指定に誤りがあります: " + value;
            value = *paper;
            return {};
          },
          "PAPER"));
  app.add_option("--scale", c.scale,
                 "尺度: \"自動\" (auto)、\"1/100\" のような比、または \"2\" のような倍率 "
                 "[既定: \"自動\"]")
      ->type_name("SCALE");
  app.add_option("--line-weight", c.line_weight,
                 "線の太さ: \"CAD設定値\" (auto)、\"2倍\" (2x) のような図面の線幅に掛ける倍率、"
                 "または \"0.25\" のような固定の太さ (ポイント) [既定: \"CAD設定値\"]")
      ->type_name("WEIGHT");
  app.add_option("--arrow-style", c.arrow_style,
                 "矢印スタイル: 1 なし, 2 三角, 3 開いた矢印, 4 鋭い矢印, 5 ひし形, 6 円 [既定: 2]")
      ->type_name("1..6")
      ->check(CLI::Range(1, 6));
  app.add_option("--arrow-length", c.arrow_length, "矢印長さ: S (短), M (中), L (長) [既定: M]")
      ->type_name("S|M|L")
      ->check(CLI::Validator(
          [](std::string& v) -> std::string {
            return ovix::ArrowLengthFromOption(v) ? "" : "S, M, L のいずれかを指定してください";
          },
          "S|M|L"));
  app.add_option("--arrow-width", c.arrow_width, "矢印幅: S (狭), M (中), L (広) [既定: S]")
      ->type_name("S|M|L")
      ->check(CLI::Validator(
          [](std::string& v) -> std::string {
            return ovix::ArrowWidthFromOption(v) ? "" : "S, M, L のいずれかを指定してください";
          },
          "S|M|L"));
  app.add_flag("--unify-dim-text", c.unify_dim_text, "寸法値の向きを統一 [既定: しない]");
  app.add_flag("--omit-small-arrows", c.omit_small_arrows,
               "記入できない矢印を省略 [既定: しない]");
  app.add_flag("--monochrome", c.monochrome, "白黒表示 [既定: しない]");
  app.add_flag("--group", c.group, "すべての図形をグループ化 [既定: しない]");
  app.add_flag("--save-close", c.save_close,
               "保存後にブックを閉じる (開いたままにしない) [既定: しない]");
  app.add_flag("--open", c.open, "保存したブックをデスクトップの表計算ソフトで開く");
  app.add_flag("--overwrite", c.overwrite,
               "既存のブックを開いて描き加える (指定がなければ既存のブックには書き込みません)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  }

  if (!info_path.empty()) {
    if (!files.empty() || !output_dir.empty()) {
      std::cerr << "ovix-convert: --info は図面ひとつだけを取ります\n";
      return kExitUsage;
    }
    return RunInfo(info_path);
  }

  std::vector<ovix::ConversionJob> jobs;
  if (!output_dir.empty()) {
    if (files.empty()) {
      std::cerr << "ovix-convert: 変換する図面を指定してください\n" << app.help();
      return kExitUsage;
    }
    std::error_code ec;
    std::filesystem::create_directories(output_dir, ec);
    if (!std::filesystem::is_directory(output_dir)) {
      std::cerr << "ovix-convert: 出力先のフォルダを作れません: " << output_dir << "\n";
      return kExitFailed;
    }
    std::transform(format.begin(), format.end(), format.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    std::set<std::string> outputs;
    for (const std::string& input : files) {
      const std::string output = ovix::OutputPathFor(input, output_dir, format);
      if (!outputs.insert(output).second) {
        std::cerr << "ovix-convert: 同じ名前の図面が複数あり、同じブックに出力されます: " << output
                  << "\n";
        return kExitUsage;
      }
      jobs.push_back({input, output});
    }
  } else if (files.size() == 2) {
    jobs.push_back({files[0], files[1]});
  } else {
    std::cerr << "ovix-convert: IN.dxf OUT.xlsx を指定するか、-o DIR とともに図面を指定してください\n"
              << app.help();
    return kExitUsage;
  }

  ovix::BatchSettings settings;
  settings.options.PaperSize = c.paper;
  settings.options.Scale = ovix::ScaleFromOption(c.scale);
  settings.options.LtScale = ovix::LineWeightFromOption(c.line_weight);
  settings.options.ArrowStyle = static_cast<int16_t>(c.arrow_style);
  settings.options.ArrowLength = *ovix::ArrowLengthFromOption(c.arrow_length);
  settings.options.ArrowWidth = *ovix::ArrowWidthFromOption(c.arrow_width);
  settings.options.DimTextDirection = c.unify_dim_text;
  settings.options.DimOmission = c.omit_small_arrows;
  settings.options.Monochrome = c.monochrome;
  settings.options.Group = c.group;
  settings.options.SaveClose = c.save_close;
  settings.overwrite = c.overwrite;
  settings.open = c.open;
  settings.prefix = jobs.size() > 1;
  settings.threads = std::max(1u, std::thread::hardware_concurrency());

  ovix::workbook::RegisterAutomationClass();
  ovix::ConsoleOutput out(std::cerr, ::isatty(STDERR_FILENO) != 0);
  const int failed = ovix::ConvertAll(jobs, settings, out);
  return failed == 0 ? 0 : kExitFailed;
}

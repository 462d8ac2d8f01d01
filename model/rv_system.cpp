// RvSystem: lifecycle, state, the current settings, the document file and
// the view properties.

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "model/rv_system.h"
#include "model/store_access.h"
#include "tools/argument_access.h"
#include "tools/rv_error.h"
#include "tools/user_prompt.h"

namespace ovix {

RvSystem::RvSystem() { Clear(); }

RvSystem::~RvSystem() { Clear(); }

void RvSystem::Clear() {
  state_ = 0;
  docment_name_.clear();
  if (document_file_.is_open()) document_file_.close();
  document_file_.clear();
  input_kind_name_.clear();
  output_kind_name_.clear();
  current_color_ = 0;
  current_line_style_.clear();
  line_style_list_.assign(1, std::string());
  current_line_width_ = 0;
  line_width_list_.assign(1, 0);
  current_layer_.clear();
  layer_list_.assign(1, std::string());
  current_text_style_.clear();
  text_style_list_.assign(1, std::string());
  current_dim_style_.clear();
  dim_style_list_.assign(1, std::string());
  input_device_name_.clear();
  output_device_name_.clear();
  view_number_ = 0;
  view_width_ = view_height_ = 0;
  view_position_x_ = view_position_y_ = 0;
  view_count_ = 0;
  view_rotate_x_ = view_rotate_y_ = view_rotate_z_ = 0;

  // Release the memory as well: a cleared model may live on for the next run.
  model_detail::ReleaseStore(layers_);
  model_detail::ReleaseStore(ltypes_);
  model_detail::ReleaseStore(text_styles_);
  model_detail::ReleaseStore(dim_styles_);
  layer_index_.Clear();
  ltype_index_.Clear();
  text_style_index_.Clear();
  dim_style_index_.Clear();
  ReleaseEntities();
}

void RvSystem::ReleaseEntities() {
  model_detail::ReleaseStore(lines_);
  model_detail::ReleaseStore(circles_);
  model_detail::ReleaseStore(ellipses_);
  model_detail::ReleaseStore(arcs_);
  model_detail::ReleaseStore(polylines_);
  model_detail::ReleaseStore(texts_);
  model_detail::ReleaseStore(mtexts_);
  model_detail::ReleaseStore(dimensions_);
  model_detail::ReleaseStore(leaders_);
  model_detail::ReleaseStore(source_lines_);
  extra_shapes_.Clear();
}

bool RvSystem::NewDocument(const std::string& DocmentName) {
  const std::filesystem::path path(std::u8string(DocmentName.begin(), DocmentName.end()));
  std::error_code ec;
  const bool exists = !DocmentName.empty() && std::filesystem::exists(path, ec) && !ec;
  if (exists) {
    const PromptAnswer answer =
        ShowMessage(DocmentName + "\rファイルが既に存在します。上書しますか？", kConfirmTitle,
                    PromptIcon::Critical, PromptButtons::OkCancel);
    if (answer != PromptAnswer::Ok) return false;
  }
  if (document_file_.is_open()) document_file_.close();
  document_file_.clear();
  // Appending keeps an existing file's contents: the model never writes to
  // it, so opening must not destroy what is there.
  document_file_.open(path, std::ios::binary | std::ios::app);
  if (!document_file_.is_open()) {
    throw RvError(RvErrorKind::Io, "NewDocument: the file \"" + DocmentName + "\" cannot be opened");
  }
  docment_name_ = DocmentName;
  return true;
}

void RvSystem::SetLineStyle(const std::string& LineStyle) {
  if (std::find(line_style_list_.begin(), line_style_list_.end(), LineStyle) !=
      line_style_list_.end()) {
    current_line_style_ = LineStyle;
    return;
  }
  ShowMessage(LineStyle + "\r線種がテーブルに登録されていません。", kConfirmTitle,
              PromptIcon::Critical);
}

void RvSystem::SetLineStyles(std::span<const std::string> LineStyles) {
  line_style_list_.assign(LineStyles.begin(), LineStyles.end());
}

void RvSystem::SetViewRotate(std::span<const double> Rotate) {
  RequireArgs(Rotate, 3, "SetViewRotate", "Rotate");
  view_rotate_x_ = Rotate[0];
  view_rotate_y_ = Rotate[1];
  view_rotate_z_ = Rotate[2];
}

void RvSystem::GetViewRotate(RvPoint3& Rotate, int16_t DeviceType) const {
  Rotate = {0.0, 0.0, 0.0};
  if (DeviceType == kDeviceTypeSheet) {
    Rotate[0] = view_rotate_x_ + 90.0;
    Rotate[2] = view_rotate_z_ + 270.0;
  } else {
    Rotate[0] = view_rotate_x_;
    Rotate[2] = view_rotate_z_;
  }
}

}  // namespace ovix

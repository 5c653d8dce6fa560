// The image-file table (app/media/ImageFiles.h) over OpenImageIO, built as
// the shared object lustre-strand-images.so. Only this file sees OpenImageIO.
#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <cstring>
#include <memory>

#include "app/media/ImageFiles.h"

namespace {

using app::image_files::Header;
using app::image_files::OutputFormat;
using app::image_files::ReadResult;
using app::image_files::SampleKind;

OIIO::TypeDesc TypeOf(SampleKind kind) {
  switch (kind) {
    case SampleKind::k8: return OIIO::TypeDesc::UINT8;
    case SampleKind::k16: return OIIO::TypeDesc::UINT16;
    case SampleKind::kFloat: break;
  }
  return OIIO::TypeDesc::FLOAT;
}

SampleKind KindOf(const OIIO::TypeDesc& format) {
  if (format.is_floating_point()) return SampleKind::kFloat;
  return format.size() == 1 ? SampleKind::k8 : SampleKind::k16;
}

void Configure() {
  OIIO::attribute("threads", 1);
  OIIO::attribute("exr_threads", -1);
}

std::string ExtensionList() { return OIIO::get_string_attribute("extension_list"); }

void Read(const std::string& path, int max_side, ReadResult& result) {
  using Status = ReadResult::Status;
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  // The reader is chosen by the name's extension, or else by the contents;
  // opening it fills in the file's header.
  std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::create(path, false, &config);
  if (!in) {
    result = {Status::kNotAnImage, OIIO::geterror(), {}, {}};
    return;
  }
  OIIO::ImageSpec image;
  if (!in->open(path, image, config)) {
    result = {Status::kNotAnImage, in->geterror(), {}, {}};
    return;
  }
  Header& header = result.header;
  header = {image.width, image.height, image.nchannels, image.alpha_channel, KindOf(image.format),
            std::strcmp(in->format_name(), "openexr") == 0};
  result.status = Status::kHeaderOnly;
  if (image.width < 1 || image.height < 1 || image.nchannels < 1 || image.width > max_side ||
      image.height > max_side) {
    return;
  }
  const OIIO::TypeDesc type = TypeOf(header.kind);
  result.samples.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                        static_cast<size_t>(image.nchannels) * type.size());
  if (!in->read_image(0, 0, 0, image.nchannels, type, result.samples.data())) {
    result.status = Status::kDamaged;
    result.error = in->geterror();
    result.samples.clear();
    return;
  }
  result.status = Status::kRead;
}

OutputFormat FormatOf(const std::string& path) {
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) return {false, "", false, OIIO::geterror()};
  return {true, out->format_name(), out->supports("alpha") != 0, ""};
}

bool Encode(const std::string& path, const Header& header, const void* samples,
            std::vector<unsigned char>& bytes, std::string& error) {
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) {
    error = OIIO::geterror();
    return false;
  }
  const OIIO::TypeDesc type = TypeOf(header.kind);
  OIIO::ImageSpec image(header.width, header.height, header.channels, type);
  image.alpha_channel = header.alpha_channel;
  if (!header.associated_alpha) image.attribute("oiio:UnassociatedAlpha", 1);
  // Room for the samples as they are: compressed files fit without the
  // vector growing (and copying) while the encoder writes.
  bytes.reserve(static_cast<size_t>(header.width) * static_cast<size_t>(header.height) *
                static_cast<size_t>(header.channels) * type.size());
  OIIO::Filesystem::IOVecOutput memory(bytes);
  bool written = out->set_ioproxy(&memory) && out->open(path, image);
  if (written) written = out->write_image(type, samples);
  if (written) written = out->close();
  if (!written) {
    error = out->geterror();
    out->close();
  }
  return written;
}

const app::image_files::Table kTable = {app::image_files::kTableVersion, Configure, ExtensionList,
                                        Read, FormatOf, Encode};

}  // namespace

extern "C" __attribute__((visibility("default"))) const app::image_files::Table*
LustreImageFilesTable() {
  return &kTable;
}

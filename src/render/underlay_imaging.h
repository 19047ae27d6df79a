// The imaging component of the underlay maker: it loads an image, from a file or
// from a picture already decoded, and saves it as a Windows bitmap. BMP, GIF, JPG
// and PNG files are decoded on every platform; EMF files are drawn through GDI on
// Windows and refused elsewhere with a message the user can read.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/file_system.h"
#include "platform/raster.h"

namespace k9 {

// The image could not be loaded or saved. The text says why, for the user.
class ImagingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The image type cannot be read on this platform; the maker tells the user so.
class ImagingUnsupported : public ImagingError {
 public:
  using ImagingError::ImagingError;
};

// The bitmap could not be written; result() says why, naming the file.
class ImagingWriteError : public ImagingError {
 public:
  explicit ImagingWriteError(FileResult result)
      : ImagingError(DescribeFileProblem(result)), result_(std::move(result)) {}
  const FileResult& result() const { return result_; }

 private:
  FileResult result_;
};

// Largest image accepted, in pixels per side and in all; larger headers are
// taken for corrupt files rather than allocated. 64 million pixels already need
// some 650 MB on their way from the file to the bitmap.
inline constexpr int kMaxImageSide = 1 << 15;
inline constexpr long long kMaxImagePixels = 64ll << 20;

class ImagingComponent {
 public:
  ImagingComponent() = default;
  ImagingComponent(const ImagingComponent&) = delete;
  ImagingComponent& operator=(const ImagingComponent&) = delete;
  virtual ~ImagingComponent() = default;

  // Loads the image file at `path`, replacing any image loaded before. Throws
  // ImagingError when the file cannot be read or decoded.
  virtual void LoadFile(const std::string& path) = 0;
  // Loads an already decoded picture. Throws ImagingError for an empty picture.
  virtual void LoadPicture(const Raster& picture) = 0;
  // Writes the loaded image to `path` as a 24-bit Windows bitmap, replacing the
  // file as a whole. Throws ImagingError when nothing is loaded, ImagingWriteError
  // when the write fails; a failed write leaves any earlier file at `path` as it was.
  virtual void SaveBitmap(const std::string& path) = 0;
};

// The component used by the product, reading and writing through `fs`, which must
// outlive it.
std::unique_ptr<ImagingComponent> CreateImagingComponent(FileSystem& fs);

// Decodes the image file at `path` into `picture`, as a picture box loads a
// picture. Throws ImagingError when the file cannot be read or decoded.
void LoadPictureFile(FileSystem& fs, const std::string& path, Raster* picture);

// Decodes image bytes of any type the platform reads. `type` is the file's
// extension in upper case ("BMP", "EMF", ...). Throws ImagingError.
Raster DecodeImage(const std::string& bytes, const std::string& type);

// Encodes `picture` as a 24-bit Windows bitmap file.
std::string EncodeBitmap(const Raster& picture);

// Draws an enhanced metafile into a raster of its own size. Throws
// ImagingUnsupported where the platform has no metafile renderer.
Raster DecodeEnhancedMetafile(const std::string& bytes);

}  // namespace k9

// The image decoder: any bytes decode to a bitmap within the size limits or
// are refused, without a crash or an allocation beyond the limits.
#include <cstdint>

#include "fuzz/FuzzScratch.h"
#include "toolkit/render/Bitmap.h"
#include "toolkit/render/ImageDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kb::render::Bitmap;
  static auto decoder = kb::render::CreateImageDecoder(kb::render::kStbDecoderName);
  FUZZ_CHECK(decoder != nullptr);
  Bitmap bitmap;
  if (!decoder->Decode(data, size, bitmap)) return 0;
  FUZZ_CHECK(bitmap.Width() > 0 && bitmap.Height() > 0);
  FUZZ_CHECK(bitmap.Width() <= Bitmap::kMaxDimension && bitmap.Height() <= Bitmap::kMaxDimension);
  FUZZ_CHECK(int64_t{bitmap.Width()} * bitmap.Height() <= Bitmap::kMaxPixels);
  return 0;
}

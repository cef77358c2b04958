// Reading and converting the pixels of WIC bitmap sources.
#include "wic_internal.h"

#include <cstring>
#include <new>

UINT WicBytesPerPixel(REFGUID format) {
  if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return 3;
  if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGR) || IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) ||
      IsEqualGUID(format, GUID_WICPixelFormat32bppPBGRA)) {
    return 4;
  }
  return 0;
}

bool WicPixelsAllocate(WicPixels *pixels, UINT width, UINT height, REFGUID format) {
  uint64_t stride = static_cast<uint64_t>(width) * WicBytesPerPixel(format);
  uint64_t size = stride * height;
  if (stride > UINT32_MAX || size > UINT32_MAX) return false;
  pixels->width = width;
  pixels->height = height;
  pixels->format = format;
  pixels->stride = static_cast<UINT>(stride);
  try {
    pixels->bytes.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

HRESULT WicCopyPixels(const WicPixels &pixels, const WICRect *rect, UINT stride, UINT bufferSize, BYTE *buffer) {
  WICRect area = {0, 0, static_cast<INT>(pixels.width), static_cast<INT>(pixels.height)};
  if (rect != nullptr) area = *rect;
  if (area.X < 0 || area.Y < 0 || area.Width < 0 || area.Height < 0) return E_INVALIDARG;
  if (static_cast<uint64_t>(area.X) + static_cast<uint64_t>(area.Width) > pixels.width ||
      static_cast<uint64_t>(area.Y) + static_cast<uint64_t>(area.Height) > pixels.height) {
    return E_INVALIDARG;
  }
  if (buffer == nullptr) return E_INVALIDARG;
  if (area.Width == 0 || area.Height == 0) return S_OK;

  uint64_t pixelBytes = WicBytesPerPixel(pixels.format);
  uint64_t rowBytes = static_cast<uint64_t>(area.Width) * pixelBytes;
  if (stride < rowBytes) return E_INVALIDARG;
  uint64_t needed = static_cast<uint64_t>(stride) * static_cast<uint64_t>(area.Height - 1) + rowBytes;
  if (bufferSize < needed) return WINCODEC_ERR_INSUFFICIENTBUFFER;

  for (INT row = 0; row < area.Height; row++) {
    const uint8_t *from = pixels.bytes.data() + static_cast<size_t>(area.Y + row) * pixels.stride +
                          static_cast<size_t>(area.X) * pixelBytes;
    std::memcpy(buffer + static_cast<size_t>(row) * stride, from, static_cast<size_t>(rowBytes));
  }
  return S_OK;
}

namespace {

// One row of width pixels in `from` format to premultiplied BGRA.
void ConvertRowToPBGRA(const uint8_t *from, REFGUID fromFormat, uint8_t *to, UINT width) {
  if (IsEqualGUID(fromFormat, GUID_WICPixelFormat32bppPBGRA)) {
    std::memcpy(to, from, static_cast<size_t>(width) * 4);
  } else if (IsEqualGUID(fromFormat, GUID_WICPixelFormat32bppBGRA)) {
    for (UINT x = 0; x < width; x++, from += 4, to += 4) {
      unsigned alpha = from[3];
      // Rounded channel * alpha / 255.
      for (int c = 0; c < 3; c++) to[c] = static_cast<uint8_t>((from[c] * alpha + 127) / 255);
      to[3] = static_cast<uint8_t>(alpha);
    }
  } else {
    // 32bppBGR or 24bppBGR: no alpha, so every pixel is opaque.
    UINT step = WicBytesPerPixel(fromFormat);
    for (UINT x = 0; x < width; x++, from += step, to += 4) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      to[3] = 0xFF;
    }
  }
}

} // namespace

HRESULT WicReadConverted(IWICBitmapSource *source, REFGUID format, WicPixels *out) {
  if (source == nullptr || out == nullptr) return E_INVALIDARG;
  UINT width = 0, height = 0;
  GUID sourceFormat = {};
  HRESULT hr = source->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  hr = source->GetPixelFormat(&sourceFormat);
  if (FAILED(hr)) return hr;
  if (WicBytesPerPixel(sourceFormat) == 0) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  bool same = IsEqualGUID(sourceFormat, format);
  if (!same && !IsEqualGUID(format, GUID_WICPixelFormat32bppPBGRA)) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;

  WicPixels read;
  if (!WicPixelsAllocate(&read, width, height, sourceFormat)) return E_OUTOFMEMORY;
  if (!read.bytes.empty()) {
    hr = source->CopyPixels(nullptr, read.stride, static_cast<UINT>(read.bytes.size()), read.bytes.data());
    if (FAILED(hr)) return hr;
  }
  if (same) {
    *out = std::move(read);
    return S_OK;
  }
  if (!WicPixelsAllocate(out, width, height, format)) return E_OUTOFMEMORY;
  for (UINT y = 0; y < height; y++) {
    ConvertRowToPBGRA(read.bytes.data() + static_cast<size_t>(y) * read.stride, sourceFormat,
                      out->bytes.data() + static_cast<size_t>(y) * out->stride, width);
  }
  return S_OK;
}

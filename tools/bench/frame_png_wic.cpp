// The frame as a PNG file through the PNG encoder of the Windows Imaging Component.
#include "frame_png.h"

#include "text_utf.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <vector>

namespace {

// The interfaces of one encoding, released together when it ends.
struct PngJob {
  IWICImagingFactory *factory;
  IWICStream *stream;
  IWICBitmapEncoder *encoder;
  IWICBitmapFrameEncode *frame;
};

void ReleaseJob(PngJob *job) {
  IUnknown *held[] = {job->frame, job->encoder, job->stream, job->factory};
  for (IUnknown *object : held)
    if (object) object->Release();
}

bool Encode(PngJob *job, const std::string &file, std::vector<uint32_t> *pixels, int width, int height) {
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void **>(&job->factory))) ||
      FAILED(job->factory->CreateStream(&job->stream)) ||
      FAILED(job->stream->InitializeFromFilename(TkUtf8ToWide(file).c_str(), GENERIC_WRITE)) ||
      FAILED(job->factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &job->encoder)) ||
      FAILED(job->encoder->Initialize(job->stream, WICBitmapEncoderNoCache)) ||
      FAILED(job->encoder->CreateNewFrame(&job->frame, nullptr)) || FAILED(job->frame->Initialize(nullptr)) ||
      FAILED(job->frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))))
    return false;
  // The encoder may answer with another format it prefers; only straight BGRA is written.
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(job->frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGRA) return false;
  UINT stride = static_cast<UINT>(width) * 4;
  return SUCCEEDED(job->frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                           reinterpret_cast<BYTE *>(pixels->data()))) &&
         SUCCEEDED(job->frame->Commit()) && SUCCEEDED(job->encoder->Commit());
}

} // namespace

bool WriteFramePng(const std::string &file, const uint32_t *pixels, int width, int height) {
  std::vector<uint32_t> opaque(pixels, pixels + static_cast<size_t>(width) * height);
  for (uint32_t &pixel : opaque) pixel |= 0xFF000000u;
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PngJob job{};
  bool ok = Encode(&job, file, &opaque, width, height);
  ReleaseJob(&job);
  if (SUCCEEDED(apartment)) CoUninitialize();
  return ok;
}

// JPEG files through the JPEG encoder of the Windows Imaging Component: best quality, and
// no chroma subsampling where the encoder takes that option.
#include "picture_files.h"

#include "text_utf.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wincodec.h>

namespace {

struct JpegJob {
  IWICImagingFactory *factory;
  IWICStream *stream;
  IWICBitmapEncoder *encoder;
  IWICBitmapFrameEncode *frame;
  IPropertyBag2 *options;
};

void ReleaseJob(JpegJob *job) {
  IUnknown *held[] = {job->options, job->frame, job->encoder, job->stream, job->factory};
  for (IUnknown *object : held)
    if (object) object->Release();
}

void SetOption(IPropertyBag2 *options, const wchar_t *name, VARIANT value) {
  PROPBAG2 option{};
  option.pstrName = const_cast<wchar_t *>(name);
  options->Write(1, &option, &value);
}

bool Encode(JpegJob *job, const std::string &file, int width, int height, std::vector<uint8_t> *bgr) {
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void **>(&job->factory))) ||
      FAILED(job->factory->CreateStream(&job->stream)) ||
      FAILED(job->stream->InitializeFromFilename(TkUtf8ToWide(file).c_str(), GENERIC_WRITE)) ||
      FAILED(job->factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &job->encoder)) ||
      FAILED(job->encoder->Initialize(job->stream, WICBitmapEncoderNoCache)) ||
      FAILED(job->encoder->CreateNewFrame(&job->frame, &job->options)))
    return false;
  VARIANT quality{};
  quality.vt = VT_R4;
  quality.fltVal = 1.0f;
  SetOption(job->options, L"ImageQuality", quality);
  VARIANT subsampling{};
  subsampling.vt = VT_UI1;
  subsampling.bVal = 3; // WICJpegYCrCbSubsampling444; encoders that lack the option ignore it
  SetOption(job->options, L"JpegYCrCbSubsampling", subsampling);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  UINT stride = static_cast<UINT>(width) * 3;
  return SUCCEEDED(job->frame->Initialize(job->options)) &&
         SUCCEEDED(job->frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
         SUCCEEDED(job->frame->SetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR &&
         SUCCEEDED(job->frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                           bgr->data())) &&
         SUCCEEDED(job->frame->Commit()) && SUCCEEDED(job->encoder->Commit());
}

} // namespace

bool WriteJpegFile(const std::string &file, int width, int height, const std::vector<uint8_t> &rgb) {
  std::vector<uint8_t> bgr = rgb;
  for (size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  JpegJob job{};
  bool ok = Encode(&job, file, width, height, &bgr);
  ReleaseJob(&job);
  if (SUCCEEDED(apartment)) CoUninitialize();
  return ok;
}

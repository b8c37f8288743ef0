// WIC's PNG encoder on a page, for the benchmark's comparison with ours.
#include "bench/files/wic_png.h"

#include <windows.h>
#include <wincodec.h>

#include <vector>

#include "win32/win32_owners.h"

namespace bench {
using vantrel::ComPtr;

bool WriteWicPng(const vantrel::imaging::PageImage& page, const std::wstring& path) {
    using vantrel::imaging::PixelFormat;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void())))
        return false;
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.put())) || FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)))
        return false;
    ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)))
        return false;
    ComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(encoder->CreateNewFrame(frame.put(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(page.width, page.height)) || FAILED(frame->SetResolution(page.xDpi, page.yDpi)))
        return false;
    WICPixelFormatGUID format = page.format == PixelFormat::Rgb24   ? GUID_WICPixelFormat24bppBGR
                                : page.format == PixelFormat::Gray8 ? GUID_WICPixelFormat8bppGray
                                                                    : GUID_WICPixelFormatBlackWhite;
    const WICPixelFormatGUID asked = format;
    if (FAILED(frame->SetPixelFormat(&format)) || format != asked) return false;
    // WIC takes colour as B, G, R and 1-bit with 1 = white: each row is turned around as WIC wants it.
    const UINT stride = static_cast<UINT>(vantrel::imaging::MinimumStride(page.format, page.width));
    std::vector<BYTE> row(stride);
    for (std::uint32_t y = 0; y < page.height; ++y) {
        const auto source = page.Row(y);
        for (UINT i = 0; i < stride; ++i) {
            if (page.format == PixelFormat::Rgb24) row[i] = source[i - i % 3 + 2 - i % 3];
            else if (page.format == PixelFormat::BlackWhite1) row[i] = static_cast<BYTE>(~source[i]);
            else row[i] = source[i];
        }
        if (FAILED(frame->WritePixels(1, stride, stride, row.data()))) return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace bench

#include "toolkit/image_export.h"

#include "base/whole_file_writer.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/pixel_buffer.h"
#include "toolkit/standard_folders.h"
#include "toolkit/win32/native.h"

#include <commdlg.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincodec.h>

#include <cstring>

namespace tk {

namespace {

// Releases a COM interface when it goes.
template <typename T> struct Com {
    T* p = nullptr;
    ~Com() {
        if (p != nullptr)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

std::string Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

// The part's rows as 24-bit BGR, top row first, each row padded to four bytes.
std::vector<BYTE> BgrRows(const PixelBuffer& part, UINT& stride) {
    stride = static_cast<UINT>((part.Width() * 3 + 3) & ~3);
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) *
                           static_cast<std::size_t>(part.Height()));
    for (int y = 0; y < part.Height(); ++y) {
        BYTE* out = rows.data() + static_cast<std::size_t>(y) * stride;
        const Pixel* in = part.Row(y);
        for (int x = 0; x < part.Width(); ++x) {
            *out++ = static_cast<BYTE>(in[x]);
            *out++ = static_cast<BYTE>(in[x] >> 8);
            *out++ = static_cast<BYTE>(in[x] >> 16);
        }
    }
    return rows;
}

// COM on the calling thread while it lives; ended again only when it was started
// here, so a caller's own COM is left as it was.
class ComScope {
public:
    ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (started_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool started_;
};

duruz::Result<std::string> EncodePng(const PixelBuffer& part) {
    const ComScope com;
    std::string encoded;
    HRESULT hr;
    {
        Com<IWICImagingFactory> factory;
        Com<IStream> stream;
        Com<IWICBitmapEncoder> encoder;
        Com<IWICBitmapFrameEncode> frame;
        hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory.p));
        if (SUCCEEDED(hr))
            hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        if (SUCCEEDED(hr))
            hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
        if (SUCCEEDED(hr))
            hr = encoder->Initialize(stream.p, WICBitmapEncoderNoCache);
        if (SUCCEEDED(hr))
            hr = encoder->CreateNewFrame(&frame, nullptr);
        if (SUCCEEDED(hr))
            hr = frame->Initialize(nullptr);
        if (SUCCEEDED(hr))
            hr = frame->SetSize(static_cast<UINT>(part.Width()), static_cast<UINT>(part.Height()));
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        if (SUCCEEDED(hr))
            hr = frame->SetPixelFormat(&format);
        if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
            hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
        UINT stride = 0;
        std::vector<BYTE> rows = BgrRows(part, stride);
        if (SUCCEEDED(hr))
            hr = frame->WritePixels(static_cast<UINT>(part.Height()), stride,
                                    static_cast<UINT>(rows.size()), rows.data());
        if (SUCCEEDED(hr))
            hr = frame->Commit();
        if (SUCCEEDED(hr))
            hr = encoder->Commit();
        HGLOBAL memory = nullptr;
        if (SUCCEEDED(hr))
            hr = GetHGlobalFromStream(stream.p, &memory);
        STATSTG stat{};
        if (SUCCEEDED(hr))
            hr = stream->Stat(&stat, STATFLAG_NONAME);
        if (SUCCEEDED(hr)) {
            const void* bytes = GlobalLock(memory);
            encoded.assign(static_cast<const char*>(bytes),
                           static_cast<std::size_t>(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
    }
    if (FAILED(hr))
        return duruz::Failure{"the picture could not be encoded (Windows Imaging Component error " +
                              Hex(hr) + ")"};
    return encoded;
}

PixelBuffer PartOf(const PixelBuffer& picture, const ImageRect& part) {
    return picture.Part(part.left, part.top, std::max(part.width, 1), std::max(part.height, 1));
}

// "PNG image (*.png);;All files (*)" as Windows wants it: description and pattern,
// each ending in a NUL, the list ending in two.
std::wstring DialogFilter(std::string_view filter, std::wstring& defaultExtension) {
    std::wstring out;
    while (!filter.empty()) {
        const std::size_t end = filter.find(";;");
        const std::string_view entry = filter.substr(0, end);
        const std::size_t open = entry.rfind('('), close = entry.rfind(')');
        std::string patterns = open != entry.npos && close != entry.npos && close > open
                                   ? std::string(entry.substr(open + 1, close - open - 1))
                                   : std::string("*");
        for (char& c : patterns)
            if (c == ' ')
                c = ';';
        if (defaultExtension.empty() && patterns.rfind("*.", 0) == 0)
            defaultExtension = Widen(patterns.substr(2, patterns.find(';') - 2), CP_UTF8);
        out += Widen(entry, CP_UTF8) + L'\0' + Widen(patterns, CP_UTF8) + L'\0';
        if (end == filter.npos)
            break;
        filter.remove_prefix(end + 2);
    }
    return out + L'\0';
}

std::string AskFileName(Form& owner, std::string_view title, const std::string& suggested,
                        std::string_view filter, bool save) {
    std::wstring extension;
    const std::wstring filterText = DialogFilter(filter, extension);
    const std::wstring caption = Widen(title, CP_UTF8);
    std::wstring file = Widen(suggested, CP_UTF8);
    std::replace(file.begin(), file.end(), L'/', L'\\');
    file.resize(std::max<std::size_t>(file.size() + 1, 32768), L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = HwndOf(owner);
    dialog.lpstrFilter = filterText.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = caption.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The working folder holds Config.Ini: the dialog must not move it.
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) {
        if (const DWORD error = CommDlgExtendedError(); error != 0)
            throw ToolkitError("The file dialog could not be shown (error " +
                               std::to_string(error) + ").");
        return {}; // cancelled
    }
    return Narrow(file.c_str(), CP_UTF8);
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = Narrow(path, CP_UTF8);
    CoTaskMemFree(path);
    return folder;
}

} // namespace

duruz::Status SaveImagePng(const PixelBuffer& picture, const ImageRect& part,
                           const std::string& path) {
    // Encoded in memory first, so the file is written whole or not at all.
    const duruz::Result<std::string> encoded = EncodePng(PartOf(picture, part));
    if (!encoded.Ok())
        return duruz::Failure{encoded.Reason()};
    const duruz::Result<duruz::FileWritten> written = duruz::WriteWholeFile(path, encoded.Value());
    if (!written.Ok())
        return duruz::Failure{written.Reason()};
    return {};
}

duruz::Result<PixelBuffer> ReadImagePng(const std::string& path) {
    const ComScope com;
    PixelBuffer pixels(1, 1, 0);
    HRESULT hr;
    {
        Com<IWICImagingFactory> factory;
        Com<IWICBitmapDecoder> decoder;
        Com<IWICBitmapFrameDecode> frame;
        Com<IWICBitmapSource> converted;
        hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory.p));
        if (SUCCEEDED(hr))
            hr = factory->CreateDecoderFromFilename(Widen(path, CP_UTF8).c_str(), nullptr,
                                                    GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                    &decoder);
        if (SUCCEEDED(hr))
            hr = decoder->GetFrame(0, &frame);
        // 32-bit BGR is the pixel layout's own: blue in the lowest byte.
        if (SUCCEEDED(hr))
            hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.p, &converted);
        UINT width = 0, height = 0;
        if (SUCCEEDED(hr))
            hr = converted->GetSize(&width, &height);
        if (SUCCEEDED(hr) && !pixels.Resize(static_cast<int>(width), static_cast<int>(height), 0))
            hr = E_OUTOFMEMORY;
        if (SUCCEEDED(hr))
            hr = converted->CopyPixels(nullptr, width * 4, width * height * 4,
                                       reinterpret_cast<BYTE*>(pixels.Data()));
    }
    if (FAILED(hr))
        return duruz::Failure{"the picture could not be read (Windows Imaging Component error " +
                              Hex(hr) + ")"};
    for (int y = 0; y < pixels.Height(); ++y)
        for (Pixel* p = pixels.Row(y); p != pixels.Row(y) + pixels.Width(); ++p)
            *p |= 0xFF000000u; // the fourth byte is undefined in 32-bit BGR
    return pixels;
}

// A device-independent bitmap, bottom row first, as CF_DIB holds it.
void CopyImageToClipboard(const PixelBuffer& picture, const ImageRect& part) {
    const PixelBuffer shown = PartOf(picture, part);
    const std::size_t rowBytes = static_cast<std::size_t>(shown.Width()) * 4;
    const std::size_t size =
        sizeof(BITMAPINFOHEADER) + rowBytes * static_cast<std::size_t>(shown.Height());
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr)
        throw ToolkitError("There is not enough memory to copy the screen.");
    auto* bytes = static_cast<BYTE*>(GlobalLock(memory));
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = shown.Width();
    header.biHeight = shown.Height();
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::memcpy(bytes, &header, sizeof(header));
    for (int y = 0; y < shown.Height(); ++y)
        std::memcpy(bytes + sizeof(header) +
                        rowBytes * static_cast<std::size_t>(shown.Height() - 1 - y),
                    shown.Row(y), rowBytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        throw ToolkitError("The clipboard is in use by another program.");
    }
    EmptyClipboard();
    if (SetClipboardData(CF_DIB, memory) == nullptr)
        GlobalFree(memory); // the clipboard took nothing
    CloseClipboard();
}

std::string AskSaveFileName(Form& owner, std::string_view title, const std::string& suggested,
                            std::string_view filter) {
    return AskFileName(owner, title, suggested, filter, true);
}

std::string AskOpenFileName(Form& owner, std::string_view title, std::string_view filter) {
    return AskFileName(owner, title, "", filter, false);
}

void ShowErrorMessage(Form& owner, std::string_view text) {
    MessageBoxW(HwndOf(owner), Widen(text, CP_UTF8).c_str(),
                Widen(ApplicationTitle(), kCp1252).c_str(), MB_OK | MB_ICONWARNING);
}

std::string DownloadsFolder() {
    return KnownFolder(FOLDERID_Downloads);
}

std::string PicturesFolder() {
    return KnownFolder(FOLDERID_Pictures);
}

std::string DocumentsFolder() {
    return KnownFolder(FOLDERID_Documents);
}

} // namespace tk

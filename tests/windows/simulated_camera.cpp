#include "tests/windows/simulated_camera.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace skymra::test::SimulatedCamera {
namespace {

const wchar_t* const Link =
    L"\\\\?\\usb#vid_534b&pid_0001#simulated#{e5323777-f976-4f5b-9b55-b94699c46e44}\\global";
constexpr UINT32 Fps = 15;
// What a camera's stream ends with when it is pulled out.
constexpr HRESULT Unplugged = MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED;

std::atomic<bool> plugged{true};

// The sizes and formats offered, in the order a real webcam lists them.
struct Offer {
    GUID subtype;
    UINT32 width, height;
};
const Offer Offers[] = {{MFVideoFormat_MJPG, 640, 480},  {MFVideoFormat_MJPG, 1280, 720},
                        {MFVideoFormat_NV12, 640, 480},  {MFVideoFormat_YUY2, 640, 480},
                        {MFVideoFormat_NV12, 1280, 720}, {MFVideoFormat_YUY2, 1280, 720}};

// One frame of the pattern, in the layout of `subtype`, rows of `width` (NV12) or 2 x `width`
// (YUY2) bytes.
std::vector<BYTE> drawFrame(const GUID& subtype, UINT32 width, UINT32 height, int n) {
    const auto luma = [&](UINT32 x, UINT32 y) -> BYTE {
        const auto side = static_cast<UINT32>(SquareSide(static_cast<int>(height)));
        const auto left = static_cast<UINT32>(SquareLeft(n, static_cast<int>(width)));
        if (y < height / 8) return BarLuma;
        if (x >= left && x < left + side && y >= height / 2 && y < height / 2 + side)
            return SquareLuma;
        return RoomLuma;
    };
    std::vector<BYTE> frame;
    if (subtype == MFVideoFormat_MJPG) {
        QImage picture(static_cast<int>(width), static_cast<int>(height),
                       QImage::Format_Grayscale8);
        for (UINT32 y = 0; y < height; ++y)
            for (UINT32 x = 0; x < width; ++x)
                picture.scanLine(static_cast<int>(y))[x] = luma(x, y);
        QByteArray jpeg;
        QBuffer out(&jpeg);
        out.open(QIODevice::WriteOnly);
        picture.save(&out, "JPEG", 90);
        frame.assign(jpeg.begin(), jpeg.end());
    } else if (subtype == MFVideoFormat_NV12) {
        frame.assign(width * height * 3 / 2, 128);
        for (UINT32 y = 0; y < height; ++y)
            for (UINT32 x = 0; x < width; ++x) frame[y * width + x] = luma(x, y);
    } else {
        frame.resize(width * height * 2);
        for (UINT32 y = 0; y < height; ++y) {
            for (UINT32 x = 0; x < width; ++x) {
                frame[(y * width + x) * 2] = luma(x, y);
                frame[(y * width + x) * 2 + 1] = 128;
            }
        }
    }
    return frame;
}

// IUnknown for a class of one or more interfaces.
template <typename Self>
class Counted {
  public:
    ULONG addRef() { return ++refs_; }
    ULONG release() {
        const ULONG left = --refs_;
        if (left == 0) delete static_cast<Self*>(this);
        return left;
    }

  private:
    std::atomic<ULONG> refs_{1};
};

#define SKYMRA_UNKNOWN                                          \
    STDMETHODIMP_(ULONG) AddRef() override { return addRef(); } \
    STDMETHODIMP_(ULONG) Release() override { return release(); }

// The event generator part of a source or stream: Media Foundation's own queue.
#define SKYMRA_EVENTS(queue)                                                           \
    STDMETHODIMP GetEvent(DWORD flags, IMFMediaEvent** event) override {               \
        return queue->GetEvent(flags, event);                                          \
    }                                                                                  \
    STDMETHODIMP BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override { \
        return queue->BeginGetEvent(callback, state);                                  \
    }                                                                                  \
    STDMETHODIMP EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override { \
        return queue->EndGetEvent(result, event);                                      \
    }                                                                                  \
    STDMETHODIMP QueueEvent(MediaEventType type, REFGUID extended, HRESULT status,     \
                            const PROPVARIANT* value) override {                       \
        return queue->QueueEventParamVar(type, extended, status, value);               \
    }

class Source;

// The camera's one video stream: a sample for each request, paced at the frame rate on a thread
// of its own, as a camera's driver delivers them.
class Stream final : public IMFMediaStream, public Counted<Stream> {
  public:
    Stream(Source* source, IMFStreamDescriptor* descriptor) : source_(source), sd_(descriptor) {
        sd_->AddRef();
        MFCreateEventQueue(&events_);
    }

    SKYMRA_UNKNOWN
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IMFMediaEventGenerator || iid == IID_IMFMediaStream) {
            *out = static_cast<IMFMediaStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SKYMRA_EVENTS(events_)
    STDMETHODIMP GetMediaSource(IMFMediaSource** out) override;
    STDMETHODIMP GetStreamDescriptor(IMFStreamDescriptor** out) override {
        sd_->AddRef();
        *out = sd_;
        return S_OK;
    }
    STDMETHODIMP RequestSample(IUnknown* token) override {
        const std::lock_guard lock(mutex_);
        if (!running_) return MF_E_MEDIA_SOURCE_WRONGSTATE;
        if (token) token->AddRef();
        requests_.push_back(token);
        wake_.notify_all();
        return S_OK;
    }

    // In the subtype and size the reader chose.
    void start(const GUID& subtype, UINT32 width, UINT32 height) {
        stop();
        subtype_ = subtype;
        width_ = width;
        height_ = height;
        {
            const std::lock_guard lock(mutex_);
            running_ = true;
        }
        events_->QueueEventParamVar(MEStreamStarted, GUID_NULL, S_OK, nullptr);
        worker_ = std::thread([this] { deliver(); });
    }
    void stop() {
        {
            const std::lock_guard lock(mutex_);
            running_ = false;
            for (IUnknown* token : requests_)
                if (token) token->Release();
            requests_.clear();
        }
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }
    void shutdown() {
        stop();
        events_->Shutdown();
    }

  private:
    ~Stream() {
        stop();
        events_->Release();
        sd_->Release();
    }
    friend class Counted<Stream>;

    void deliver() {
        auto next = std::chrono::steady_clock::now();
        for (int n = 0;; ++n) {
            IUnknown* token = nullptr;
            {
                std::unique_lock lock(mutex_);
                wake_.wait_until(lock, next, [this] { return !running_; });
                wake_.wait(lock, [this] { return !running_ || !requests_.empty(); });
                if (!running_) return;
                token = requests_.front();
                requests_.pop_front();
            }
            next += std::chrono::milliseconds(1000 / Fps);
            if (!plugged) {
                // As a camera pulled out: the stream ends with an error, and nothing follows.
                events_->QueueEventParamVar(MEError, GUID_NULL, Unplugged, nullptr);
                if (token) token->Release();
                const std::lock_guard lock(mutex_);
                running_ = false;
                return;
            }
            queueSample(n, token);
            if (token) token->Release();
        }
    }

    void queueSample(int n, IUnknown* token) {
        const std::vector<BYTE> frame = drawFrame(subtype_, width_, height_, n);
        IMFMediaBuffer* buffer = nullptr;
        IMFSample* sample = nullptr;
        if (FAILED(MFCreateMemoryBuffer(static_cast<DWORD>(frame.size()), &buffer))) return;
        BYTE* bytes = nullptr;
        if (SUCCEEDED(buffer->Lock(&bytes, nullptr, nullptr))) {
            std::memcpy(bytes, frame.data(), frame.size());
            buffer->Unlock();
            buffer->SetCurrentLength(static_cast<DWORD>(frame.size()));
        }
        if (SUCCEEDED(MFCreateSample(&sample))) {
            sample->AddBuffer(buffer);
            sample->SetSampleTime(LONGLONG{n} * 10'000'000 / Fps);
            sample->SetSampleDuration(10'000'000 / Fps);
            if (token) sample->SetUnknown(MFSampleExtension_Token, token);
            PROPVARIANT value;
            PropVariantInit(&value);
            value.vt = VT_UNKNOWN;
            value.punkVal = sample;
            events_->QueueEventParamVar(MEMediaSample, GUID_NULL, S_OK, &value);
            sample->Release();
        }
        buffer->Release();
    }

    Source* source_;  // outlives the stream's use by the reader
    IMFStreamDescriptor* sd_;
    IMFMediaEventQueue* events_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<IUnknown*> requests_;
    bool running_ = false;
    GUID subtype_{};
    UINT32 width_ = 0, height_ = 0;
    std::thread worker_;
};

class Source final : public IMFMediaSource, public Counted<Source> {
  public:
    Source() {
        MFCreateEventQueue(&events_);
        std::vector<IMFMediaType*> types;
        for (const Offer& offer : Offers) {
            IMFMediaType* type = nullptr;
            MFCreateMediaType(&type);
            type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
            type->SetGUID(MF_MT_SUBTYPE, offer.subtype);
            MFSetAttributeSize(type, MF_MT_FRAME_SIZE, offer.width, offer.height);
            MFSetAttributeRatio(type, MF_MT_FRAME_RATE, Fps, 1);
            MFSetAttributeRatio(type, MF_MT_FRAME_RATE_RANGE_MIN, Fps, 1);
            MFSetAttributeRatio(type, MF_MT_FRAME_RATE_RANGE_MAX, Fps, 1);
            MFSetAttributeRatio(type, MF_MT_PIXEL_ASPECT_RATIO, 1, 1);
            type->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
            type->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE);
            const bool nv12 = offer.subtype == MFVideoFormat_NV12;
            type->SetUINT32(MF_MT_DEFAULT_STRIDE, nv12 ? offer.width : offer.width * 2);
            type->SetUINT32(MF_MT_SAMPLE_SIZE, nv12 ? offer.width * offer.height * 3 / 2
                                                    : offer.width * offer.height * 2);
            types.push_back(type);
        }
        IMFStreamDescriptor* sd = nullptr;
        MFCreateStreamDescriptor(0, static_cast<DWORD>(types.size()), types.data(), &sd);
        IMFMediaTypeHandler* handler = nullptr;
        if (SUCCEEDED(sd->GetMediaTypeHandler(&handler))) {
            handler->SetCurrentMediaType(types.front());
            handler->Release();
        }
        MFCreatePresentationDescriptor(1, &sd, &pd_);
        pd_->SelectStream(0);
        stream_ = new Stream(this, sd);
        sd->Release();
        for (IMFMediaType* type : types) type->Release();
    }

    SKYMRA_UNKNOWN
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IMFMediaEventGenerator || iid == IID_IMFMediaSource) {
            *out = static_cast<IMFMediaSource*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SKYMRA_EVENTS(events_)
    STDMETHODIMP GetCharacteristics(DWORD* out) override {
        *out = MFMEDIASOURCE_IS_LIVE;
        return S_OK;
    }
    STDMETHODIMP CreatePresentationDescriptor(IMFPresentationDescriptor** out) override {
        return shutDown_ ? MF_E_SHUTDOWN : pd_->Clone(out);
    }
    STDMETHODIMP Start(IMFPresentationDescriptor* pd, const GUID*, const PROPVARIANT*) override {
        if (shutDown_) return MF_E_SHUTDOWN;
        if (!plugged) return Unplugged;
        // The size and format the reader set on the stream's handler.
        BOOL selected = FALSE;
        IMFStreamDescriptor* sd = nullptr;
        if (FAILED(pd->GetStreamDescriptorByIndex(0, &selected, &sd))) return E_INVALIDARG;
        IMFMediaTypeHandler* handler = nullptr;
        IMFMediaType* type = nullptr;
        GUID subtype = MFVideoFormat_NV12;
        UINT32 width = 640, height = 480;
        if (SUCCEEDED(sd->GetMediaTypeHandler(&handler))) {
            if (SUCCEEDED(handler->GetCurrentMediaType(&type))) {
                type->GetGUID(MF_MT_SUBTYPE, &subtype);
                MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
                type->Release();
            }
            handler->Release();
        }
        sd->Release();
        PROPVARIANT value;
        PropVariantInit(&value);
        value.vt = VT_UNKNOWN;
        value.punkVal = static_cast<IMFMediaStream*>(stream_);
        events_->QueueEventParamVar(announced_ ? MEUpdatedStream : MENewStream, GUID_NULL, S_OK,
                                    &value);
        announced_ = true;
        stream_->start(subtype, width, height);
        PROPVARIANT at;
        PropVariantInit(&at);
        at.vt = VT_I8;
        at.hVal.QuadPart = 0;
        events_->QueueEventParamVar(MESourceStarted, GUID_NULL, S_OK, &at);
        return S_OK;
    }
    STDMETHODIMP Stop() override {
        if (shutDown_) return MF_E_SHUTDOWN;
        stream_->stop();
        stream_->QueueEvent(MEStreamStopped, GUID_NULL, S_OK, nullptr);
        events_->QueueEventParamVar(MESourceStopped, GUID_NULL, S_OK, nullptr);
        return S_OK;
    }
    STDMETHODIMP Pause() override { return MF_E_INVALID_STATE_TRANSITION; }
    STDMETHODIMP Shutdown() override {
        if (shutDown_.exchange(true)) return S_OK;
        stream_->shutdown();
        events_->Shutdown();
        return S_OK;
    }

  private:
    ~Source() {
        Shutdown();
        stream_->Release();
        pd_->Release();
        events_->Release();
    }
    friend class Counted<Source>;

    IMFMediaEventQueue* events_ = nullptr;
    IMFPresentationDescriptor* pd_ = nullptr;
    Stream* stream_ = nullptr;
    bool announced_ = false;
    std::atomic<bool> shutDown_{false};
};

STDMETHODIMP Stream::GetMediaSource(IMFMediaSource** out) {
    source_->AddRef();
    *out = source_;
    return S_OK;
}

// The camera as MFEnumDeviceSources lists it: its attributes, and the source made on demand.
class Activate final : public IMFActivate, public Counted<Activate> {
  public:
    Activate() {
        MFCreateAttributes(&a_, 3);
        a_->SetString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME,
                      reinterpret_cast<const wchar_t*>(Name.utf16()));
        a_->SetString(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, Link);
        a_->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE,
                    MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID);
    }

    SKYMRA_UNKNOWN
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IMFAttributes || iid == IID_IMFActivate) {
            *out = static_cast<IMFActivate*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ActivateObject(REFIID iid, void** out) override {
        if (!plugged) return Unplugged;
        auto* source = new Source;
        const HRESULT hr = source->QueryInterface(iid, out);
        source->Release();
        return hr;
    }
    STDMETHODIMP ShutdownObject() override { return S_OK; }
    STDMETHODIMP DetachObject() override { return S_OK; }

    // IMFAttributes, from the store made for them.
    STDMETHODIMP GetItem(REFGUID k, PROPVARIANT* v) override { return a_->GetItem(k, v); }
    STDMETHODIMP GetItemType(REFGUID k, MF_ATTRIBUTE_TYPE* t) override {
        return a_->GetItemType(k, t);
    }
    STDMETHODIMP CompareItem(REFGUID k, REFPROPVARIANT v, BOOL* r) override {
        return a_->CompareItem(k, v, r);
    }
    STDMETHODIMP Compare(IMFAttributes* o, MF_ATTRIBUTES_MATCH_TYPE t, BOOL* r) override {
        return a_->Compare(o, t, r);
    }
    STDMETHODIMP GetUINT32(REFGUID k, UINT32* v) override { return a_->GetUINT32(k, v); }
    STDMETHODIMP GetUINT64(REFGUID k, UINT64* v) override { return a_->GetUINT64(k, v); }
    STDMETHODIMP GetDouble(REFGUID k, double* v) override { return a_->GetDouble(k, v); }
    STDMETHODIMP GetGUID(REFGUID k, GUID* v) override { return a_->GetGUID(k, v); }
    STDMETHODIMP GetStringLength(REFGUID k, UINT32* n) override {
        return a_->GetStringLength(k, n);
    }
    STDMETHODIMP GetString(REFGUID k, LPWSTR v, UINT32 size, UINT32* n) override {
        return a_->GetString(k, v, size, n);
    }
    STDMETHODIMP GetAllocatedString(REFGUID k, LPWSTR* v, UINT32* n) override {
        return a_->GetAllocatedString(k, v, n);
    }
    STDMETHODIMP GetBlobSize(REFGUID k, UINT32* n) override { return a_->GetBlobSize(k, n); }
    STDMETHODIMP GetBlob(REFGUID k, UINT8* v, UINT32 size, UINT32* n) override {
        return a_->GetBlob(k, v, size, n);
    }
    STDMETHODIMP GetAllocatedBlob(REFGUID k, UINT8** v, UINT32* n) override {
        return a_->GetAllocatedBlob(k, v, n);
    }
    STDMETHODIMP GetUnknown(REFGUID k, REFIID iid, LPVOID* v) override {
        return a_->GetUnknown(k, iid, v);
    }
    STDMETHODIMP SetItem(REFGUID k, REFPROPVARIANT v) override { return a_->SetItem(k, v); }
    STDMETHODIMP DeleteItem(REFGUID k) override { return a_->DeleteItem(k); }
    STDMETHODIMP DeleteAllItems() override { return a_->DeleteAllItems(); }
    STDMETHODIMP SetUINT32(REFGUID k, UINT32 v) override { return a_->SetUINT32(k, v); }
    STDMETHODIMP SetUINT64(REFGUID k, UINT64 v) override { return a_->SetUINT64(k, v); }
    STDMETHODIMP SetDouble(REFGUID k, double v) override { return a_->SetDouble(k, v); }
    STDMETHODIMP SetGUID(REFGUID k, REFGUID v) override { return a_->SetGUID(k, v); }
    STDMETHODIMP SetString(REFGUID k, LPCWSTR v) override { return a_->SetString(k, v); }
    STDMETHODIMP SetBlob(REFGUID k, const UINT8* v, UINT32 n) override {
        return a_->SetBlob(k, v, n);
    }
    STDMETHODIMP SetUnknown(REFGUID k, IUnknown* v) override { return a_->SetUnknown(k, v); }
    STDMETHODIMP LockStore() override { return a_->LockStore(); }
    STDMETHODIMP UnlockStore() override { return a_->UnlockStore(); }
    STDMETHODIMP GetCount(UINT32* n) override { return a_->GetCount(n); }
    STDMETHODIMP GetItemByIndex(UINT32 i, GUID* k, PROPVARIANT* v) override {
        return a_->GetItemByIndex(i, k, v);
    }
    STDMETHODIMP CopyAllItems(IMFAttributes* to) override { return a_->CopyAllItems(to); }

  private:
    ~Activate() { a_->Release(); }
    friend class Counted<Activate>;
    IMFAttributes* a_ = nullptr;
};

// The three entries of mf.dll that Qt's backend imports, as Windows with one webcam answers them.

HRESULT WINAPI enumDeviceSources(IMFAttributes* filter, IMFActivate*** devices, UINT32* count) {
    *devices = nullptr;
    *count = 0;
    GUID type = GUID_NULL, category = GUID_NULL;
    filter->GetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, &type);
    // A webcam is a video capture device of no particular category (not a sensor camera).
    if (type != MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID || !plugged ||
        SUCCEEDED(filter->GetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_CATEGORY, &category)))
        return S_OK;
    *devices = static_cast<IMFActivate**>(CoTaskMemAlloc(sizeof(IMFActivate*)));
    (*devices)[0] = new Activate;
    *count = 1;
    return S_OK;
}

HRESULT WINAPI createDeviceSource(IMFAttributes* attributes, IMFMediaSource** source) {
    *source = nullptr;
    WCHAR link[512] = {};
    if (FAILED(attributes->GetString(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, link,
                                     512, nullptr)) ||
        std::wcscmp(link, Link) != 0)
        return MF_E_NO_CAPTURE_DEVICES_AVAILABLE;
    if (!plugged) return Unplugged;
    *source = new Source;
    return S_OK;
}

// An aggregate of one source is that source.
HRESULT WINAPI createAggregateSource(IMFCollection* sources, IMFMediaSource** aggregate) {
    *aggregate = nullptr;
    DWORD count = 0;
    IUnknown* first = nullptr;
    if (FAILED(sources->GetElementCount(&count)) || count != 1 ||
        FAILED(sources->GetElement(0, &first)))
        return E_NOTIMPL;
    const HRESULT hr = first->QueryInterface(IID_PPV_ARGS(aggregate));
    first->Release();
    return hr;
}

// Points `module`'s imports of `dll` named in `replacements` at the replacements; how many.
int replaceImports(HMODULE module, const char* dll,
                   const std::vector<std::pair<const char*, void*>>& replacements) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int replaced = 0;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* thunks = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++thunks) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const auto& [name, function] : replacements) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
                DWORD was = 0;
                VirtualProtect(&thunks->u1.Function, sizeof(void*), PAGE_READWRITE, &was);
                thunks->u1.Function = reinterpret_cast<ULONG_PTR>(function);
                VirtualProtect(&thunks->u1.Function, sizeof(void*), was, &was);
                ++replaced;
            }
        }
    }
    return replaced;
}

}  // namespace

bool install(QString* why) {
    // The backend is a plugin: loaded here first, so that Qt takes up the one already changed.
    HMODULE backend = nullptr;
    for (const QString& dir : QCoreApplication::libraryPaths()) {
        const QString path =
            QDir(dir).filePath(QStringLiteral("multimedia/windowsmediaplugin.dll"));
        if (!QFile::exists(path)) continue;
        backend =
            LoadLibraryW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()));
        if (backend) break;
    }
    if (!backend) {
        *why = QStringLiteral("windowsmediaplugin.dll not found in %1")
                   .arg(QCoreApplication::libraryPaths().join(';'));
        return false;
    }
    const int replaced = replaceImports(
        backend, "mf.dll",
        {{"MFEnumDeviceSources", reinterpret_cast<void*>(&enumDeviceSources)},
         {"MFCreateDeviceSource", reinterpret_cast<void*>(&createDeviceSource)},
         {"MFCreateAggregateSource", reinterpret_cast<void*>(&createAggregateSource)}});
    if (replaced != 3) {
        *why = QStringLiteral("%1 of the 3 imports from mf.dll found").arg(replaced);
        return false;
    }
    return true;
}

void setPlugged(bool plug) {
    plugged = plug;
    // What Windows sends the windows registered for camera arrivals and removals.
    DEV_BROADCAST_DEVICEINTERFACE_W change = {};
    change.dbcc_size = sizeof change;
    change.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HWND window =
        FindWindowExW(HWND_MESSAGE, nullptr, L"QWindowsMediaDevicesMessageWindow", nullptr);
    if (window)
        SendMessageW(window, WM_DEVICECHANGE, plug ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(&change));
}

}  // namespace skymra::test::SimulatedCamera

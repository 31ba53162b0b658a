#include "platform/MediaControlsBackend.h"

#ifdef Q_OS_WIN
#include "MediaControls.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <roapi.h>
#include <system_error>
#include <systemmediatransportcontrolsinterop.h>
#include <windows.foundation.h>
#include <windows.media.h>
#include <windows.storage.streams.h>
#include <wrl/client.h>
#include <wrl/event.h>
#include <wrl/ftm.h>
#include <wrl/implements.h>
#include <wrl/wrappers/corewrappers.h>

#pragma comment(lib, "runtimeobject.lib")

const char *const MediaControlsUnavailableText = "painel de midia do Windows indisponivel";

namespace {

using Microsoft::WRL::Callback;
using Microsoft::WRL::ComPtr;
using Microsoft::WRL::FtmBase;
using Microsoft::WRL::Implements;
using Microsoft::WRL::RuntimeClassFlags;
using Microsoft::WRL::Wrappers::HStringReference;
namespace Foundation = ABI::Windows::Foundation;
namespace Media = ABI::Windows::Media;
namespace Streams = ABI::Windows::Storage::Streams;

using ButtonHandler =
        Foundation::ITypedEventHandler<Media::SystemMediaTransportControls *,
                                       Media::SystemMediaTransportControlsButtonPressedEventArgs *>;
using StoreHandler = Foundation::IAsyncOperationCompletedHandler<UINT32>;

QString runtimeErrorText(HRESULT hr)
{
    return QString::fromStdString(std::system_category().message(hr)).trimmed();
}

HStringReference runtimeText(const QString &text)
{
    return HStringReference(reinterpret_cast<const wchar_t *>(text.utf16()),
                            static_cast<unsigned int>(text.size()));
}

// On the GUI thread: a pressed system button becomes the matching request.
void dispatchButton(const QPointer<MediaControls> &controls, int code)
{
    if (!controls)
        return;
    switch (code) {
    case Media::SystemMediaTransportControlsButton_Play:
        emit controls->playRequested();
        break;
    case Media::SystemMediaTransportControlsButton_Pause:
        emit controls->pauseRequested();
        break;
    case Media::SystemMediaTransportControlsButton_Stop:
        emit controls->stopRequested();
        break;
    case Media::SystemMediaTransportControlsButton_Next:
        emit controls->nextRequested();
        break;
    case Media::SystemMediaTransportControlsButton_Previous:
        emit controls->previousRequested();
        break;
    default: // record, fast forward, rewind and the channel buttons stay disabled
        break;
    }
}

// The system media transport controls of the main window.
class MediaControlsWindows final : public MediaControlsBackend
{
public:
    MediaControlsWindows(ComPtr<Media::ISystemMediaTransportControls> controls,
                         EventRegistrationToken token)
        : m_controls(std::move(controls))
        , m_token(token)
    {}

    ~MediaControlsWindows() override
    {
        m_coverGeneration->fetch_add(1);
        m_controls->remove_ButtonPressed(m_token);
        ComPtr<Media::ISystemMediaTransportControlsDisplayUpdater> updater;
        if (SUCCEEDED(m_controls->get_DisplayUpdater(&updater))) {
            updater->ClearAll();
            updater->Update();
        }
    }

    void setPlaybackStatus(Status status) override
    {
        const auto value = status == Status::Playing  ? Media::MediaPlaybackStatus_Playing
                           : status == Status::Paused ? Media::MediaPlaybackStatus_Paused
                                                      : Media::MediaPlaybackStatus_Stopped;
        m_controls->put_PlaybackStatus(value); // a failure changes nothing worth reporting
    }

    void setTrack(const QString &title, const QString &artist, const QString &album,
                  const QString &coverPath, bool isVideo) override
    {
        // A picture still being stored for the previous item must not land on
        // this one.
        const quint64 generation = m_coverGeneration->fetch_add(1) + 1;

        ComPtr<Media::ISystemMediaTransportControlsDisplayUpdater> updater;
        if (FAILED(m_controls->get_DisplayUpdater(&updater)) || FAILED(updater->ClearAll()))
            return;
        if (isVideo) {
            ComPtr<Media::IVideoDisplayProperties> video;
            if (FAILED(updater->put_Type(Media::MediaPlaybackType_Video)) ||
                FAILED(updater->get_VideoProperties(&video)) ||
                FAILED(video->put_Title(runtimeText(title).Get())) ||
                FAILED(video->put_Subtitle(runtimeText(artist).Get())))
                return;
        } else {
            ComPtr<Media::IMusicDisplayProperties> music;
            ComPtr<Media::IMusicDisplayProperties2> musicAlbum;
            if (FAILED(updater->put_Type(Media::MediaPlaybackType_Music)) ||
                FAILED(updater->get_MusicProperties(&music)) ||
                FAILED(music->put_Title(runtimeText(title).Get())) ||
                FAILED(music->put_Artist(runtimeText(artist).Get())) ||
                FAILED(music.As(&musicAlbum)) ||
                FAILED(musicAlbum->put_AlbumTitle(runtimeText(album).Get())))
                return;
        }
        if (FAILED(updater->Update()) || coverPath.isEmpty())
            return;
        startThumbnail(updater, coverPath, generation);
    }

private:
    // Copies the cover into an in-memory stream; the store completes on a
    // system thread, which then hands the stream to the overlay. The format is
    // whatever the file holds.
    void startThumbnail(const ComPtr<Media::ISystemMediaTransportControlsDisplayUpdater> &updater,
                        const QString &coverPath, quint64 generation)
    {
        QFile file(coverPath);
        if (!file.open(QIODevice::ReadOnly))
            return;
        QByteArray bytes = file.readAll();
        if (bytes.isEmpty())
            return;

        ComPtr<IInspectable> instance;
        ComPtr<Streams::IRandomAccessStream> stream;
        ComPtr<Streams::IOutputStream> output;
        ComPtr<Streams::IDataWriterFactory> writerFactory;
        ComPtr<Streams::IDataWriter> writer;
        ComPtr<Foundation::IAsyncOperation<UINT32>> store;
        if (FAILED(RoActivateInstance(
                    HStringReference(
                            RuntimeClass_Windows_Storage_Streams_InMemoryRandomAccessStream)
                            .Get(),
                    &instance)) ||
            FAILED(instance.As(&stream)) || FAILED(stream.As(&output)) ||
            FAILED(RoGetActivationFactory(
                    HStringReference(RuntimeClass_Windows_Storage_Streams_DataWriter).Get(),
                    IID_PPV_ARGS(&writerFactory))) ||
            FAILED(writerFactory->CreateDataWriter(output.Get(), &writer)) ||
            FAILED(writer->WriteBytes(static_cast<UINT32>(bytes.size()),
                                      reinterpret_cast<BYTE *>(bytes.data()))) ||
            FAILED(writer->StoreAsync(&store)))
            return;

        // Only agile runtime objects and the shared counter cross over; no Qt
        // object is touched on the completing thread.
        auto counter = m_coverGeneration;
        auto done = Callback<Implements<RuntimeClassFlags<Microsoft::WRL::ClassicCom>, StoreHandler,
                                        FtmBase>>([stream, writer, updater, counter, generation](
                                                          Foundation::IAsyncOperation<UINT32> *,
                                                          Foundation::AsyncStatus status)
                                                          -> HRESULT {
            if (status != Foundation::AsyncStatus::Completed || counter->load() != generation)
                return S_OK;
            ComPtr<Streams::IOutputStream> detached;
            ComPtr<Streams::IRandomAccessStreamReferenceStatics> references;
            ComPtr<Streams::IRandomAccessStreamReference> reference;
            if (FAILED(writer->DetachStream(&detached)) || FAILED(stream->Seek(0)) ||
                FAILED(RoGetActivationFactory(
                        HStringReference(
                                RuntimeClass_Windows_Storage_Streams_RandomAccessStreamReference)
                                .Get(),
                        IID_PPV_ARGS(&references))) ||
                FAILED(references->CreateFromStream(stream.Get(), &reference)) ||
                FAILED(updater->put_Thumbnail(reference.Get())))
                return S_OK;
            updater->Update();
            return S_OK;
        });
        if (done)
            store->put_Completed(done.Get());
    }

    ComPtr<Media::ISystemMediaTransportControls> m_controls;
    EventRegistrationToken m_token;
    std::shared_ptr<std::atomic<quint64>> m_coverGeneration =
            std::make_shared<std::atomic<quint64>>(0);
};

} // namespace

std::unique_ptr<MediaControlsBackend>
createMediaControlsBackend(MediaControls *owner, QWidget *window, PlayerCore *, QString *reason)
{
    if (!window) {
        *reason = QStringLiteral("sem janela");
        return nullptr;
    }
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());

    ComPtr<ISystemMediaTransportControlsInterop> interop;
    ComPtr<Media::ISystemMediaTransportControls> controls;
    HRESULT hr = RoGetActivationFactory(
            HStringReference(RuntimeClass_Windows_Media_SystemMediaTransportControls).Get(),
            IID_PPV_ARGS(&interop));
    if (SUCCEEDED(hr))
        hr = interop->GetForWindow(hwnd, IID_PPV_ARGS(&controls));
    if (SUCCEEDED(hr))
        hr = controls->put_IsPlayEnabled(true);
    if (SUCCEEDED(hr))
        hr = controls->put_IsPauseEnabled(true);
    if (SUCCEEDED(hr))
        hr = controls->put_IsNextEnabled(true);
    if (SUCCEEDED(hr))
        hr = controls->put_IsPreviousEnabled(true);
    if (SUCCEEDED(hr))
        hr = controls->put_IsStopEnabled(true);

    // The handler runs on a system thread: it only posts the code to the GUI
    // thread, where the guarded pointer tells whether the object still exists.
    const QPointer<MediaControls> guard(owner);
    EventRegistrationToken token = {};
    if (SUCCEEDED(hr)) {
        auto handler = Callback<
                Implements<RuntimeClassFlags<Microsoft::WRL::ClassicCom>, ButtonHandler, FtmBase>>(
                [guard](Media::ISystemMediaTransportControls *,
                        Media::ISystemMediaTransportControlsButtonPressedEventArgs *args)
                        -> HRESULT {
                    Media::SystemMediaTransportControlsButton button;
                    if (!args || FAILED(args->get_Button(&button)))
                        return S_OK;
                    const int code = static_cast<int>(button);
                    QMetaObject::invokeMethod(
                            QCoreApplication::instance(),
                            [guard, code] { dispatchButton(guard, code); }, Qt::AutoConnection);
                    return S_OK;
                });
        hr = handler ? controls->add_ButtonPressed(handler.Get(), &token) : E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) {
        hr = controls->put_PlaybackStatus(Media::MediaPlaybackStatus_Closed);
        if (FAILED(hr))
            controls->remove_ButtonPressed(token);
    }
    if (FAILED(hr)) {
        *reason = runtimeErrorText(hr);
        return nullptr;
    }
    return std::make_unique<MediaControlsWindows>(std::move(controls), token);
}

#endif

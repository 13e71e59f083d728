#include "word/libreoffice/office_connection.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/bootstrap.hxx>

#include "core/paths.h"
#include "word/libreoffice/office_files.h"
#include "word/libreoffice/office_messages.h"
#include "word/libreoffice/office_process.h"
#include "word/server_error.h"

namespace tarnfold::word {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

rtl::OUString ToOUString(std::string_view utf8) {
    return rtl::OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string ToUtf8(const rtl::OUString& text) {
    const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

namespace {

// soffice.bin on a fresh profile sometimes ends with this code, asking to be started again.
constexpr int kRestartExitCode = 81;
constexpr auto kPollInterval = std::chrono::milliseconds(50);

// The client side of UNO, made once per process. It is kept to the end on
// purpose: tearing it down while the process exits races the bridge threads.
css::uno::XComponentContext& LocalContext() {
    static css::uno::XComponentContext* const context = [] {
        // The bridge writes to the office's pipe without guarding against a closed
        // end: an office that dies during a call would otherwise end the tool too.
        struct sigaction current {};
        if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(SIGPIPE, SIG_IGN);
        // Without it the connection succeeds and the client then fails deep inside the first service it creates.
        rtl::Bootstrap::set(rtl::OUString("URE_BOOTSTRAP"),
                            rtl::OUString("vnd.sun.star.pathname:" TARNFOLD_OFFICE_PROGRAM "/fundamentalrc"));
        try {
            Reference<css::uno::XComponentContext> made = cppu::defaultBootstrap_InitialComponentContext();
            made->acquire();
            return made.get();
        } catch (const css::uno::Exception& failure) {
            throw Error("Не удалось подготовить связь с LibreOffice: " +
                        ServerErrorText(ToUtf8(failure.Message), "библиотеки UNO не загружены"));
        }
    }();
    return *context;
}

// Tells the connection when the office end of the bridge has gone.
class BridgeWatcher : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeWatcher(std::shared_ptr<std::atomic<bool>> lost) : lost_(std::move(lost)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override { lost_->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> lost_;
};

std::string Seconds(std::chrono::seconds value) { return std::to_string(value.count()) + " с"; }

}  // namespace

OfficeConnection::OfficeConnection(std::string pipeName, std::chrono::seconds callTimeout, bool showsWindows,
                                   std::string profileUrl)
    : pipeName_(std::move(pipeName)),
      callTimeout_(callTimeout),
      showsWindows_(showsWindows),
      profileUrl_(std::move(profileUrl)),
      watchdog_(
          [this] {
              killed_.store(true);
              KillOfficeProcesses(pipeName_);
          },
          // A call that outlives its limit is waited for while the office computes.
          [this] { return OfficeWorking(pipeName_); }) {}

OfficeConnection::~OfficeConnection() {
    desktop_.clear();
    context_.clear();
    if (bridge_.is() && !Lost()) {
        try {
            Watchdog::Watch watch(watchdog_, callTimeout_);
            bridge_->dispose();
        } catch (const css::uno::Exception&) {
            // The office has gone already; there is nothing left to let go of.
        }
    }
}

bool OfficeConnection::TryConnect(std::chrono::seconds timeout) {
    css::uno::XComponentContext& local = LocalContext();
    Watchdog::Watch watch(watchdog_, timeout);
    Reference<css::lang::XComponent> bridgeComponent;
    try {
        Reference<css::connection::XConnection> link =
            css::connection::Connector::create(&local)->connect(ToOUString(ConnectDescription(pipeName_)));
        Reference<css::bridge::XBridge> bridge = css::bridge::BridgeFactory::create(&local)->createBridge(
            rtl::OUString(), rtl::OUString("urp"), link, nullptr);
        bridgeComponent.set(bridge, UNO_QUERY_THROW);
        auto gone = std::make_shared<std::atomic<bool>>(false);
        bridgeComponent->addEventListener(Reference<css::lang::XEventListener>(new BridgeWatcher(gone)));
        Reference<css::uno::XComponentContext> context(
            bridge->getInstance(rtl::OUString("StarOffice.ComponentContext")), UNO_QUERY_THROW);
        desktop_ = css::frame::Desktop::create(context);
        context_ = context;
        bridge_ = bridgeComponent;
        bridgeGone_ = gone;
        killed_.store(false);
        return true;
    } catch (const css::uno::Exception&) {
        // Not (yet) listening, or gone while answering: the caller starts the office or waits.
        if (bridgeComponent.is()) {
            try {
                bridgeComponent->dispose();
            } catch (const css::uno::Exception&) {
                // A bridge that failed half-way may be disposed already.
            }
        }
        return false;
    }
}

std::shared_ptr<OfficeConnection> OfficeConnection::Establish(const LibreOfficeOptions& options,
                                                              std::unique_ptr<OfficeLauncher>& launcher) {
    const char* display = std::getenv("DISPLAY");
    const bool showsWindows = options.visible && display && *display;
    auto connection = std::make_shared<OfficeConnection>(options.pipeName, options.callTimeout, showsWindows,
                                                         FileUrl(options.profileFolder));
    if (connection->TryConnect(options.startDeadline)) return connection;

    const OfficeStart start{options.sofficePath, options.profileFolder, options.pipeName, !showsWindows,
                            options.temporaryFolder};
    const auto deadline = std::chrono::steady_clock::now() + options.startDeadline;
    launcher = std::make_unique<OfficeLauncher>(start);
    bool restarted = false;
    for (;;) {
        std::this_thread::sleep_for(kPollInterval);
        const auto left = std::chrono::ceil<std::chrono::seconds>(deadline - std::chrono::steady_clock::now());
        if (connection->TryConnect(std::max(left, std::chrono::seconds(1)))) return connection;
        if (const std::optional<int> code = launcher->ExitCode(); code && *code != 0) {
            if (*code == kRestartExitCode && !restarted) {
                restarted = true;
                launcher = std::make_unique<OfficeLauncher>(start);
                continue;
            }
            throw Error("LibreOffice завершился при запуске с кодом " + std::to_string(*code) + "; подробности в " +
                        launcher->LogPath());
        }
        // An exit code 0 means the work went to an office already running on this
        // profile, which takes up the pipe as well; so waiting goes on.
        if (std::chrono::steady_clock::now() >= deadline) {
            launcher->Kill();
            KillOfficeProcesses(options.pipeName);
            throw Error("LibreOffice не запустился за " + Seconds(options.startDeadline) + "; подробности в " +
                        launcher->LogPath());
        }
    }
}

Error OfficeConnection::Failure(const std::string& context, const std::string& message, bool disposed) const {
    if (watchdog_.Fired())
        return Error(context + ": LibreOffice не отвечал " + Seconds(callTimeout_) +
                     " и был остановлен; при следующей выгрузке он будет запущен заново");
    if (disposed || Lost()) {
        // The bridge learns of a crash a moment after the failed call; give it that moment.
        for (int i = 0; i < 20 && !Lost(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (Lost())
            return Error(context + ": связь с LibreOffice прервана (программа закрыта или аварийно завершилась)");
        return Error(context + ": документ закрыт в LibreOffice");
    }
    return Error(context + ": " + OfficeFailureText(message, "LibreOffice не сообщил причину"));
}

css::beans::PropertyValue Property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue property;
    property.Name = rtl::OUString::createFromAscii(name);
    property.Value = value;
    return property;
}

css::uno::Sequence<css::beans::PropertyValue> Properties(std::initializer_list<css::beans::PropertyValue> list) {
    return css::uno::Sequence<css::beans::PropertyValue>(list.begin(), static_cast<sal_Int32>(list.size()));
}

css::uno::Reference<css::frame::XModel> LoadAsTemplate(OfficeConnection& office, const std::string& path,
                                                       const std::string& context) {
    // The office would only say "type detection failed".
    if (!FileExists(path)) throw Error(context + ": файл не найден");
    // An empty file opens as a new, empty Word document.
    std::error_code ec;
    if (std::filesystem::file_size(PathFromUtf8(path), ec) == 0 && !ec)
        throw Error("Шаблон " + path + " не является документом Word");
    css::uno::Reference<css::frame::XModel> model = office.Call(context, [&] {
        const auto arguments =
            Properties({Property("Hidden", css::uno::Any(true)), Property("AsTemplate", css::uno::Any(true))});
        css::uno::Reference<css::frame::XComponentLoader> loader(office.Desktop(), css::uno::UNO_QUERY_THROW);
        return css::uno::Reference<css::frame::XModel>(
            loader->loadComponentFromURL(ToOUString(FileUrl(path)), rtl::OUString("_blank"), 0, arguments),
            css::uno::UNO_QUERY);
    });
    const std::string refusal = "Шаблон " + path + " не является документом Word";
    if (!model.is()) throw Error(refusal);
    // The office opens anything, random bytes and plain text included, as
    // text; filling that would report a success with nothing placed.
    const std::string filter = office.Call(context, [&] {
        for (const css::beans::PropertyValue& argument : model->getArgs())
            if (argument.Name == "FilterName") return ToUtf8(argument.Value.get<rtl::OUString>());
        return std::string();
    });
    if (!IsWordFilter(filter)) {
        office.Call(context,
                    [&] { css::uno::Reference<css::util::XCloseable>(model, css::uno::UNO_QUERY_THROW)->close(true); });
        throw Error(refusal);
    }
    return model;
}

}  // namespace tarnfold::word

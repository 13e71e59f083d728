#pragma once
// One UNO connection to the office, with the watchdog that keeps a hung
// office from hanging the tool. Internal to the LibreOffice back-end.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <initializer_list>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include "core/error.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/watchdog.h"

namespace tarnfold::word {

rtl::OUString ToOUString(std::string_view utf8);
std::string ToUtf8(const rtl::OUString& text);

class OfficeConnection {
public:
    // Connects to the office serving the options' pipe; when none answers,
    // starts one through `launcher` and waits for it until the start deadline.
    static std::shared_ptr<OfficeConnection> Establish(const LibreOfficeOptions& options,
                                                       std::unique_ptr<OfficeLauncher>& launcher);
    // Not connected yet; Establish connects.
    OfficeConnection(std::string pipeName, std::chrono::seconds callTimeout, bool showsWindows, std::string profileUrl);
    ~OfficeConnection();
    OfficeConnection(const OfficeConnection&) = delete;
    OfficeConnection& operator=(const OfficeConnection&) = delete;

    // The office has gone (ended, crashed or ended by the watchdog).
    bool Lost() const { return killed_.load() || !bridgeGone_ || bridgeGone_->load(); }
    bool ShowsWindows() const { return showsWindows_; }
    // The office's profile as a URL, as its lock files beside documents name it.
    const std::string& ProfileUrl() const { return profileUrl_; }
    const css::uno::Reference<css::uno::XComponentContext>& Context() const { return context_; }
    const css::uno::Reference<css::frame::XDesktop2>& Desktop() const { return desktop_; }

    // Runs a chain of calls into the office under the watchdog. Every failure
    // leaves as Error: `context` tells what was being done, the office's own
    // description (trailing blanks and full stops cut) tells why.
    template <class Calls>
    auto Call(const std::string& context, Calls&& calls) {
        Watchdog::Watch watch(watchdog_, callTimeout_);
        try {
            return std::forward<Calls>(calls)();
        } catch (const css::lang::DisposedException& failure) {
            throw Failure(context, ToUtf8(failure.Message), true);
        } catch (const css::uno::Exception& failure) {
            throw Failure(context, ToUtf8(failure.Message), false);
        }
    }

    // What a call that failed with the office's `message` tells: `disposed`
    // when the object called has gone (its document closed, or the office).
    Error Failure(const std::string& context, const std::string& message, bool disposed) const;

private:
    bool TryConnect(std::chrono::seconds timeout);

    std::string pipeName_;
    std::chrono::seconds callTimeout_;
    bool showsWindows_;
    std::string profileUrl_;
    // Set by the bridge when the office end goes; one flag per bridge, so a
    // failed earlier attempt cannot mark a later, good one as lost.
    std::shared_ptr<std::atomic<bool>> bridgeGone_;
    std::atomic<bool> killed_{false};
    Watchdog watchdog_;
    css::uno::Reference<css::lang::XComponent> bridge_;
    css::uno::Reference<css::uno::XComponentContext> context_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
};

// Named arguments of an office call.
css::beans::PropertyValue Property(const char* name, const css::uno::Any& value);
css::uno::Sequence<css::beans::PropertyValue> Properties(std::initializer_list<css::beans::PropertyValue> list);

// Opens a file hidden and as a template: a read-only or locked file still
// opens, and the file itself is never written. Failures are Error with
// `context` in front.
css::uno::Reference<css::frame::XModel> LoadAsTemplate(OfficeConnection& office, const std::string& path,
                                                       const std::string& context);

}  // namespace tarnfold::word

#include "word/libreoffice/fill_routine.h"

#include <iostream>

#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/script/XLibraryContainer2.hpp>
#include <com/sun/star/script/XPersistentLibraryContainer.hpp>
#include <com/sun/star/script/provider/XScriptProvider.hpp>
#include <com/sun/star/script/provider/theMasterScriptProviderFactory.hpp>

#include "word/libreoffice/fill_routine_source.h"
#include "word/libreoffice/office_connection.h"

namespace tarnfold::word {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr const char* kModule = "Bookmarks";

Sequence<rtl::OUString> Strings(const std::vector<std::string>& texts) {
    Sequence<rtl::OUString> strings(static_cast<sal_Int32>(texts.size()));
    rtl::OUString* out = strings.getArray();
    for (const std::string& text : texts) *out++ = ToOUString(text);
    return strings;
}

// Puts this build's routine into the application Basic of the office, unless
// the very same text is there already; read-only, so that nobody edits it in
// the office's Basic editor.
void Install(OfficeConnection& office, const std::string& libraryName) {
    const rtl::OUString library = ToOUString(libraryName);
    const rtl::OUString module = rtl::OUString::createFromAscii(kModule);
    const rtl::OUString source = ToOUString(kFillRoutineSource);
    // The office hands out its one application container under this name.
    Reference<css::script::XLibraryContainer2> libraries(
        office.Context()->getServiceManager()->createInstanceWithContext(
            "com.sun.star.script.ApplicationScriptLibraryContainer", office.Context()),
        UNO_QUERY_THROW);
    if (libraries->hasByName(library)) {
        libraries->loadLibrary(library);
        Reference<css::container::XNameContainer> modules(libraries->getByName(library), UNO_QUERY_THROW);
        rtl::OUString installed;
        if (modules->hasByName(module) && (modules->getByName(module) >>= installed) && installed == source) return;
        if (libraries->isLibraryReadOnly(library)) libraries->setLibraryReadOnly(library, false);
        libraries->removeLibrary(library);
    }
    Reference<css::container::XNameContainer> modules = libraries->createLibrary(library);
    modules->insertByName(module, Any(source));
    libraries->setLibraryReadOnly(library, true);
    Reference<css::script::XPersistentLibraryContainer>(libraries, UNO_QUERY_THROW)->storeLibraries();
}

}  // namespace

FillRoutine::FillRoutine(std::shared_ptr<OfficeConnection> office, std::string library)
    : office_(std::move(office)), library_(std::move(library)) {}

void FillRoutine::GiveUp(const std::string& reason) {
    unavailable_ = true;
    std::cerr << "LibreOffice: процедура заполнения закладок недоступна (" << reason
              << "); закладки заполняются по одной\n";
}

bool FillRoutine::Ready() {
    if (script_.is()) return true;
    if (unavailable_) return false;
    try {
        script_ = office_->Call("Не удалось установить процедуру заполнения закладок", [&] {
            Install(*office_, library_);
            Reference<css::script::provider::XScriptProvider> provider =
                css::script::provider::theMasterScriptProviderFactory::get(office_->Context())
                    ->createScriptProvider(Any(rtl::OUString()));
            return provider->getScript(ToOUString("vnd.sun.star.script:" + library_ + "." + kModule +
                                                  ".FillBookmarks?language=Basic&location=application"));
        });
    } catch (const Error& failure) {
        // An office that went away fails the figure-at-a-time calls as well, with their own texts.
        if (!office_->Lost()) GiveUp(failure.what());
        return false;
    }
    return script_.is();
}

std::optional<RoutineAnswer> FillRoutine::Fill(const Reference<css::frame::XModel>& document,
                                               const std::vector<std::string>& names,
                                               const std::vector<std::string>& texts, Placement placement,
                                               const std::string& context) {
    if (!Ready()) return std::nullopt;
    const Any list[] = {Any(document), Any(Strings(names)), Any(Strings(texts)), Any(placement == Placement::TypeAt)};
    const Sequence<Any> arguments(list, 4);
    Any result;
    try {
        result = office_->Call(context, [&] {
            Sequence<sal_Int16> outIndex;
            Sequence<Any> out;
            return script_->invoke(arguments, outIndex, out);
        });
    } catch (const Error& failure) {
        if (office_->Lost()) throw;
        // The routine traps its own errors: a failing call never ran it.
        GiveUp(failure.what());
        return std::nullopt;
    }
    Sequence<Any> answer;
    sal_Int32 filled = 0;
    rtl::OUString error;
    if (!(result >>= answer) || answer.getLength() != 2 || !(answer[0] >>= filled) || !(answer[1] >>= error) ||
        filled < 0 || static_cast<std::size_t>(filled) > names.size())
        throw Error(context + ": LibreOffice не сообщил причину");
    return RoutineAnswer{static_cast<std::size_t>(filled), ToUtf8(error)};
}

}  // namespace tarnfold::word

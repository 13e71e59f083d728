#include "word/office_copy.h"

#include <initializer_list>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "core/paths.h"
#include "word/office_connection.h"
#include "word/office_files.h"

namespace tarnfold::word {

using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

css::beans::PropertyValue Property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue property;
    property.Name = rtl::OUString::createFromAscii(name);
    property.Value = value;
    return property;
}

Sequence<css::beans::PropertyValue> Properties(std::initializer_list<css::beans::PropertyValue> list) {
    return Sequence<css::beans::PropertyValue>(list.begin(), static_cast<sal_Int32>(list.size()));
}

// A hidden document nobody will ever see: left open, it would hold its
// memory and its file lock in the office for as long as the office runs.
class HiddenDocument {
public:
    HiddenDocument(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model)
        : office_(std::move(office)), model_(std::move(model)) {}
    ~HiddenDocument() {
        if (office_->Lost()) return;
        try {
            office_->Call("", [&] { Reference<css::util::XCloseable>(model_, UNO_QUERY_THROW)->close(true); });
        } catch (const Error&) {
            // The office went away meanwhile; there is nothing left to close.
        }
    }
    HiddenDocument(const HiddenDocument&) = delete;
    HiddenDocument& operator=(const HiddenDocument&) = delete;

    const Reference<css::frame::XModel>& Model() const { return model_; }

private:
    std::shared_ptr<OfficeConnection> office_;
    Reference<css::frame::XModel> model_;
};

}  // namespace

std::vector<std::string> CopyDocumentListingBookmarks(LibreOfficeServer& office, const std::string& source,
                                                      const std::string& target) {
    const std::string opening = "Не удалось открыть документ " + source;
    // The office would only say "type detection failed".
    if (!FileExists(source)) throw Error(opening + ": файл не найден");
    std::shared_ptr<OfficeConnection> connection = office.Connection();
    Reference<css::frame::XModel> model = connection->Call(opening, [&] {
        // As a template: a read-only or locked file still opens, and is never written.
        const Sequence<css::beans::PropertyValue> arguments =
            Properties({Property("Hidden", css::uno::Any(true)), Property("AsTemplate", css::uno::Any(true))});
        Reference<css::frame::XComponentLoader> loader(connection->Desktop(), UNO_QUERY_THROW);
        return Reference<css::frame::XModel>(
            loader->loadComponentFromURL(ToOUString(FileUrl(source)), rtl::OUString("_blank"), 0, arguments),
            UNO_QUERY);
    });
    if (!model.is()) throw Error(opening + ": LibreOffice не смог прочитать файл");
    const HiddenDocument document(connection, model);

    std::vector<std::string> names = connection->Call("Не удалось прочитать закладки документа " + source, [&] {
        const Reference<css::container::XNameAccess> bookmarks =
            Reference<css::text::XBookmarksSupplier>(document.Model(), UNO_QUERY_THROW)->getBookmarks();
        std::vector<std::string> utf8;
        for (const rtl::OUString& name : bookmarks->getElementNames()) utf8.push_back(ToUtf8(name));
        return utf8;
    });

    connection->Call("Не удалось сохранить документ как " + target, [&] {
        // A copy: the opened document stays what it was, and is closed unchanged.
        const Sequence<css::beans::PropertyValue> arguments =
            Properties({Property("FilterName", css::uno::Any(ToOUString(FilterForOutput(target)))),
                        Property("Overwrite", css::uno::Any(true))});
        Reference<css::frame::XStorable>(document.Model(), UNO_QUERY_THROW)
            ->storeToURL(ToOUString(FileUrl(target)), arguments);
    });
    return names;
}

}  // namespace tarnfold::word

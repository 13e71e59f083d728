#include "word/libreoffice/office_copy.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "word/libreoffice/office_connection.h"
#include "word/libreoffice/office_files.h"

namespace tarnfold::word {

using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

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

Reference<css::frame::XModel> OpenHidden(OfficeConnection& connection, const std::string& source) {
    return LoadAsTemplate(connection, source, "Не удалось открыть документ " + source);
}

std::vector<std::string> BookmarkNames(OfficeConnection& connection, const HiddenDocument& document,
                                       const std::string& source) {
    return connection.Call("Не удалось прочитать закладки документа " + source, [&] {
        const Reference<css::container::XNameAccess> bookmarks =
            Reference<css::text::XBookmarksSupplier>(document.Model(), UNO_QUERY_THROW)->getBookmarks();
        std::vector<std::string> utf8;
        for (const rtl::OUString& name : bookmarks->getElementNames()) utf8.push_back(ToUtf8(name));
        return utf8;
    });
}

}  // namespace

std::vector<std::string> CopyDocumentListingBookmarks(LibreOfficeServer& office, const std::string& source,
                                                      const std::string& target) {
    std::shared_ptr<OfficeConnection> connection = office.Connection();
    const HiddenDocument document(connection, OpenHidden(*connection, source));
    std::vector<std::string> names = BookmarkNames(*connection, document, source);

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

std::vector<std::string> ListDocumentBookmarks(LibreOfficeServer& office, const std::string& source) {
    std::shared_ptr<OfficeConnection> connection = office.Connection();
    const HiddenDocument document(connection, OpenHidden(*connection, source));
    return BookmarkNames(*connection, document, source);
}

}  // namespace tarnfold::word

#include "office_probe.h"

#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/script/XLibraryContainer2.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include "word/libreoffice/office_connection.h"
#include "word/libreoffice/office_files.h"
#include "word/libreoffice/office_process.h"

namespace tarnfold::testing {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

Reference<css::script::XLibraryContainer2> ApplicationBasic(word::OfficeConnection& office) {
    return Reference<css::script::XLibraryContainer2>(
        office.Context()->getServiceManager()->createInstanceWithContext(
            "com.sun.star.script.ApplicationScriptLibraryContainer", office.Context()),
        UNO_QUERY_THROW);
}

}  // namespace

struct OfficeProbe::Impl {
    std::unique_ptr<word::OfficeLauncher> launcher;
    std::shared_ptr<word::OfficeConnection> connection;
};

OfficeProbe::OfficeProbe(const word::LibreOfficeOptions& options) : impl_(std::make_unique<Impl>()) {
    impl_->connection = word::OfficeConnection::Establish(options, impl_->launcher);
}

OfficeProbe::~OfficeProbe() = default;

std::vector<OpenDocumentState> OfficeProbe::Documents() {
    return impl_->connection->Call("probe", [&] {
        std::vector<OpenDocumentState> documents;
        Reference<css::container::XEnumeration> all =
            impl_->connection->Desktop()->getComponents()->createEnumeration();
        while (all->hasMoreElements()) {
            Reference<css::frame::XModel> model(all->nextElement(), UNO_QUERY);
            if (!model.is()) continue;
            OpenDocumentState state;
            state.path = PathFromFileUrl(word::ToUtf8(model->getURL()));
            if (Reference<css::text::XTextDocument> text{model, UNO_QUERY}; text.is())
                state.text = word::ToUtf8(text->getText()->getString());
            if (Reference<css::util::XModifiable> modifiable{model, UNO_QUERY}; modifiable.is())
                state.modified = modifiable->isModified();
            Reference<css::awt::XWindow2> window(model->getCurrentController()->getFrame()->getContainerWindow(),
                                                 UNO_QUERY);
            state.visible = window.is() && window->isVisible();
            if (Reference<css::text::XTextViewCursorSupplier> views{model->getCurrentController(), UNO_QUERY};
                views.is())
                state.selected = word::ToUtf8(views->getViewCursor()->getString());
            documents.push_back(state);
        }
        return documents;
    });
}

void OfficeProbe::CloseDocument(const std::string& path) {
    impl_->connection->Call("probe", [&] {
        Reference<css::container::XEnumeration> all =
            impl_->connection->Desktop()->getComponents()->createEnumeration();
        while (all->hasMoreElements()) {
            Reference<css::frame::XModel> model(all->nextElement(), UNO_QUERY);
            if (model.is() && PathFromFileUrl(word::ToUtf8(model->getURL())) == path)
                Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        }
    });
}

bool OfficeProbe::HasReadOnlyLibrary(const std::string& name) {
    return impl_->connection->Call("probe", [&] {
        Reference<css::script::XLibraryContainer2> libraries = ApplicationBasic(*impl_->connection);
        return libraries->hasByName(word::ToOUString(name)) && libraries->isLibraryReadOnly(word::ToOUString(name));
    });
}

void OfficeProbe::RemoveLibrary(const std::string& name) {
    impl_->connection->Call("probe", [&] {
        Reference<css::script::XLibraryContainer2> libraries = ApplicationBasic(*impl_->connection);
        libraries->setLibraryReadOnly(word::ToOUString(name), false);
        libraries->removeLibrary(word::ToOUString(name));
    });
}

}  // namespace tarnfold::testing

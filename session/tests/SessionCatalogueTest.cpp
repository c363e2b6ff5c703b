#include "SessionTexts.h"

#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// Every text of the unit of work has its Korean in the session's embedded catalogue.
TEST(SessionCatalogueTest, everyText_hasAKoreanTranslationInTheEmbeddedCatalogue) {
    QTranslator catalogue;
    ASSERT_TRUE(catalogue.load(QStringLiteral(":/i18n/session_ko.qm")));
    for (const SessionTextEntry& entry : AllSessionTexts()) {
        SCOPED_TRACE(entry.source);
        EXPECT_FALSE(catalogue.translate(entry.context, entry.source).isEmpty());
    }
}

}  // namespace

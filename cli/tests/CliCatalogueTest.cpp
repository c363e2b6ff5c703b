#include "CliTexts.h"
#include "SettingTable.h"

#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// The texts taken from the page must stay byte for byte the page's sources, or its catalogue
// no longer finds them; the tool's own must have their Korean too.
TEST(CliCatalogueTest, everyText_hasAKoreanTranslationInTheEmbeddedCatalogues) {
    QTranslator page;
    QTranslator own;
    ASSERT_TRUE(page.load(QStringLiteral(":/i18n/config_ko.qm")));
    ASSERT_TRUE(own.load(QStringLiteral(":/i18n/cli_ko.qm")));
    for (const TextEntry& entry : AllTexts()) {
        SCOPED_TRACE(entry.source);
        const QString korean = page.translate(entry.context, entry.source).isEmpty()
                                   ? own.translate(entry.context, entry.source)
                                   : page.translate(entry.context, entry.source);
        EXPECT_FALSE(korean.isEmpty());
    }
}

// `info` shows a setting's label and unit as the page's captions: the page's catalogue has them.
TEST(CliCatalogueTest, everySettingCaption_isThePagesAndHasAKoreanTranslation) {
    QTranslator page;
    ASSERT_TRUE(page.load(QStringLiteral(":/i18n/config_ko.qm")));
    for (const SettingRow& row : kSettingRows) {
        for (const Caption& caption : {row.label, row.unit}) {
            if (caption.source != nullptr) {
                SCOPED_TRACE(caption.source);
                EXPECT_FALSE(page.translate(caption.context, caption.source).isEmpty());
            }
        }
    }
}

}  // namespace

#include "ProfileApplyDlg.h"

#include "ConfMessages.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kMaxCounter = 999999;
constexpr int kVisibleRows = 8;

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

ProfileApplyDlg::ProfileApplyDlg(const QString& fileName, bool hasCounter, ChangesOf changesOf,
                                 QWidget* parent)
    : QDialog(parent), m_changesOf(std::move(changesOf)) {
    setWindowTitle(tr("Apply settings file"));
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        tr("These settings of %1 differ from the module's:").arg(QFileInfo(fileName).fileName()),
        this);
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    intro->setAccessibleName(intro->text());
    layout->addWidget(intro);

    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QLatin1String(kIdChanges));
    m_table->setAccessibleName(tr("Differences"));
    m_table->setHorizontalHeaderLabels({tr("Setting"), tr("Module"), tr("File")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setMinimumWidth(420);
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height() +
                              kVisibleRows * m_table->verticalHeader()->defaultSectionSize() + 4);
    layout->addWidget(m_table);

    auto* counterRow = new QHBoxLayout;
    auto* counterLabel = new QLabel(tr("Start number for {n} in the device name:"), this);
    m_counter = new QSpinBox(this);
    m_counter->setObjectName(QLatin1String(kIdCounter));
    m_counter->setRange(0, kMaxCounter);
    m_counter->setValue(1);
    m_counter->setAccessibleName(counterLabel->text());
    counterLabel->setBuddy(m_counter);
    counterRow->addWidget(counterLabel);
    counterRow->addWidget(m_counter);
    counterRow->addStretch();
    layout->addLayout(counterRow);
    counterLabel->setVisible(hasCounter);
    m_counter->setVisible(hasCounter);

    m_note = new QLabel(this);
    m_note->setObjectName(QLatin1String(kIdNote));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox(this);
    m_apply = buttons->addButton(tr("Apply"), QDialogButtonBox::AcceptRole);
    m_apply->setObjectName(QLatin1String(kIdApply));
    m_apply->setAccessibleName(m_apply->text());
    m_apply->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QLatin1String(kIdCancel));
    cancel->setAccessibleName(cancel->text());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_counter, &QSpinBox::valueChanged, this, &ProfileApplyDlg::ShowChanges);
    ShowChanges();
    // The counter, when the file has one, is what is chosen here; otherwise Enter applies.
    (hasCounter ? static_cast<QWidget*>(m_counter) : m_apply)->setFocus();
}

unsigned ProfileApplyDlg::Counter() const {
    return static_cast<unsigned>(m_counter->value());
}

void ProfileApplyDlg::ShowChanges() {
    const std::optional<std::vector<FieldChange>> changes = m_changesOf(Counter());
    m_table->setRowCount(0);
    if (!changes) {
        m_note->setText(
            ConfMessages::Text(ConfMessages::MSG_PROFILE_BAD_VALUE).arg(QStringLiteral("name")));
    } else if (changes->empty()) {
        m_note->setText(ConfMessages::Text(ConfMessages::MSG_PROFILE_MATCHES));
    } else {
        m_note->setText(tr("The module is read again once they have been applied."));
        for (const FieldChange& change : *changes) {
            const int row = m_table->rowCount();
            m_table->insertRow(row);
            m_table->setItem(row, 0, Cell(change.field));
            m_table->setItem(row, 1, Cell(change.from));
            m_table->setItem(row, 2, Cell(change.to));
        }
    }
    m_note->setAccessibleName(m_note->text());
    m_apply->setEnabled(changes && !changes->empty());
}

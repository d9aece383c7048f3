#include "calorvin.h"

#include "colours.h"
#include "fonts.h"
#include "layout.h"
#include "warning_box.h"

#include "evaluation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

namespace calorvin::ui {

namespace {

using namespace calorvin::layout;

int Px(int twips)
{
    return twips / TwipsPerPixel;
}

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The boxes in the order the commands read, write and blank them.
constexpr std::array<std::string_view, 8> EntryBoxes = {"TxtPin", "TxtPout", "TxtB", "TxtH",
                                                        "TxtN",   "TxtQ",    "TxtEta", "TxtCO"};
constexpr std::array<std::string_view, 7> ResultBoxes = {"TxtP",     "TxtMw", "TxtPw",  "TxtPa",
                                                         "TxtCOppm", "TxtDp", "TxtEtaw"};
constexpr std::array<std::string_view, 15> ClearOrder = {
    "TxtPin", "TxtPout", "TxtB",  "TxtH",  "TxtN",     "TxtQ",  "TxtEta", "TxtCO",
    "TxtMw",  "TxtP",    "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"};

// Sets a box's text the way the original platform does: the caret goes to
// the start, so a result wider than its box shows its leading digits.
void SetText(QLineEdit* box, const QString& text)
{
    box->setText(text);
    box->setCursorPosition(0);
}

QWidget* Build(const Control& c, QWidget* parent)
{
    switch (c.kind) {
    case Label: {
        auto* label = new QLabel(Text(c.caption), parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true); // wraps at spaces; the fixed box cuts the rest
        label->setAlignment(Qt::AlignTop | (c.align == Centre ? Qt::AlignHCenter : Qt::AlignLeft));
        label->setMargin(0);
        label->setIndent(0);
        label->setContentsMargins(0, CaptionTopOffset(c.font), 0, 0);
        label->setAutoFillBackground(true); // opaque: hides what lies under it
        label->setFocusPolicy(Qt::NoFocus);
        label->setFont(FontFor(c.font));
        label->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
        label->setFixedSize(label->size());
        return label;
    }
    case Box: {
        auto* box = new QLineEdit(parent);
        box->setAlignment(Qt::AlignCenter);
        box->setMaxLength(std::numeric_limits<int>::max()); // no length limit
        box->setFrame(true);
        box->setFont(FontFor(c.font));
        box->setAccessibleName(Text(c.caption));
        box->setFocusPolicy(Qt::StrongFocus);
        box->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
        box->setFixedSize(box->size());
        return box;
    }
    case Button: {
        auto* button = new QPushButton(Text(c.caption), parent);
        button->setAutoDefault(false); // Enter and Esc press nothing
        button->setDefault(false);
        button->setFont(FontFor(c.font));
        button->setFocusPolicy(Qt::StrongFocus);
        button->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
        button->setFixedSize(button->size());
        return button;
    }
    case Line: { // horizontal, one pixel high, from X1 up to X2
        auto* line = new QWidget(parent);
        line->setAutoFillBackground(true);
        line->setFocusPolicy(Qt::NoFocus);
        line->setGeometry(Px(c.left), Px(c.top), Px(c.width - c.left), 1);
        line->setFixedSize(line->size());
        return line;
    }
    }
    return nullptr;
}

} // namespace

Calorvin::Calorvin(QWidget* parent)
    : QWidget(parent), m_endProgram([] { QCoreApplication::exit(0); })
{
    setObjectName(QStringLiteral("Calorvin"));
    setWindowTitle(Text(WindowTitle));
    setAutoFillBackground(true);
    resize(Px(ClientWidth), Px(ClientHeight));

    // Built bottom first, so that creation order is the stacking order.
    std::array<const Control*, Controls.size()> stacking{};
    std::transform(Controls.begin(), Controls.end(), stacking.begin(),
                   [](const Control& c) { return &c; });
    std::stable_sort(stacking.begin(), stacking.end(), [](const Control* a, const Control* b) {
        return StackingKey(*a) < StackingKey(*b);
    });

    std::vector<std::pair<int, QWidget*>> focusable; // TabIndex, widget
    for (const Control* c : stacking) {
        QWidget* widget = Build(*c, this);
        widget->setObjectName(Text(c->name));
        if (c->kind == Box || c->kind == Button)
            focusable.emplace_back(c->tabIndex, widget);
        if (c->ink == Highlight || c->kind == Line)
            m_inked.emplace_back(widget, c->ink == Highlight);
        if (c->kind == Button) {
            auto* button = static_cast<QPushButton*>(widget);
            if (c->name == "CmdCalcola")
                connect(button, &QPushButton::clicked, this, &Calorvin::CmdCalcola_Click);
            else if (c->name == "CmdCancella")
                connect(button, &QPushButton::clicked, this, &Calorvin::CmdCancella_Click);
            else if (c->name == "CmdUscita")
                connect(button, &QPushButton::clicked, this, &Calorvin::CmdUscita_Click);
        }
    }

    // Tab goes by rising TabIndex; Qt closes the cycle.
    std::sort(focusable.begin(), focusable.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        setTabOrder(focusable[i - 1].second, focusable[i].second);

    const auto box = [this](std::string_view name) {
        return findChild<QLineEdit*>(Text(name), Qt::FindDirectChildrenOnly);
    };
    std::transform(EntryBoxes.begin(), EntryBoxes.end(), m_entries.begin(), box);
    std::transform(ResultBoxes.begin(), ResultBoxes.end(), m_results.begin(), box);
    std::transform(ClearOrder.begin(), ClearOrder.end(), m_clearOrder.begin(), box);

    applyColours();
    focusable.front().second->setFocus(); // TxtPin, the lowest TabIndex
}

void Calorvin::applyColours()
{
    const SystemColours colours = CurrentColours();

    // One palette for the window, which every control inherits: captions in
    // the desktop colour on the button face, boxes in the window colours.
    // Only the highlighted captions and the lines differ.
    QPalette window = palette();
    window.setColor(QPalette::Window, colours.buttonFace);
    window.setColor(QPalette::Button, colours.buttonFace);
    window.setColor(QPalette::WindowText, colours.desktop);
    window.setColor(QPalette::Base, colours.window);
    window.setColor(QPalette::Text, colours.windowText);
    setPalette(window);

    for (const auto& [widget, highlight] : m_inked) {
        const QColor colour = highlight ? colours.highlight : colours.desktop;
        QPalette p = widget->palette();
        if (qobject_cast<QLabel*>(widget))
            p.setColor(QPalette::WindowText, colour);
        else // a line: filled in its colour
            p.setColor(QPalette::Window, colour);
        widget->setPalette(p);
    }
}

void Calorvin::setEndProgram(std::function<void()> endProgram)
{
    m_endProgram = std::move(endProgram);
}

void Calorvin::CmdCalcola_Click()
{
    std::array<std::string, EntryCount> texts;
    std::array<std::string_view, EntryCount> views;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = m_entries[i]->text().toStdString();
        views[i] = texts[i];
    }
    // Results show the user's regional separator; entries always use a point.
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    const EvaluationOutcome outcome = Evaluate(views, separator);

    if (outcome.computed)
        for (std::size_t i = 0; i < m_results.size(); ++i)
            SetText(m_results[i], QString::fromStdString(outcome.resultTexts[i]));

    const QPointer<Calorvin> alive(this);
    for (std::string_view warning : outcome.warnings) {
        WarningBox::Show(this, Text(WarningTitle), Text(warning));
        if (!alive)
            return;
    }
}

void Calorvin::CmdCancella_Click()
{
    for (QLineEdit* box : m_clearOrder)
        SetText(box, QStringLiteral(" "));
}

void Calorvin::CmdUscita_Click()
{
    m_endProgram();
}

void Calorvin::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_endProgram();
}

void Calorvin::changeEvent(QEvent* event)
{
    // On Windows the system colours follow the user's scheme when it changes.
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

} // namespace calorvin::ui

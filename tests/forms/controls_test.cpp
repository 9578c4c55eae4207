#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/forms/user_input.h"

using namespace dq::forms;

namespace {

// A shown form with the kinds of control the settings form uses, recording their events.
class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (Control* c : std::initializer_list<Control*>{&button, &check, &label, &spinner, &text})
            form.Controls().Add(*c);
        check.SetText(WSTR("&Hide Subtitles"));
        label.SetText(WSTR("&Delay:"));
        button.SetText(WSTR("&Reload"));
        button.Click += [this](Control&, const EventArgs&) { events.push_back("click"); };
        check.Click += [this](Control&, const EventArgs&) { events.push_back("check click"); };
        check.CheckedChanged += [this](Control&, const EventArgs&) {
            events.push_back(check.Checked() ? "checked" : "unchecked");
        };
        spinner.ValueChanged += [this](Control&, const EventArgs&) {
            events.push_back("value " + std::to_string(spinner.Value().ToInt32()));
        };
        form.Show();
    }

    Form form;
    Button button;
    CheckBox check;
    Label label;
    NumericUpDown spinner;
    TextBox text;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(ControlsTest, CheckedChangedOnlyOnChangeAndBeforeTheClick) {
    check.SetChecked(false);
    check.SetChecked(true);
    check.SetChecked(true);
    EXPECT_EQ(events, (Events{"checked"}));
    events.clear();
    user::Click(check);
    EXPECT_FALSE(check.Checked());
    EXPECT_TRUE(check.Focused());
    EXPECT_EQ(events, (Events{"unchecked", "check click"}));

    // Alt+H toggles the box; Alt+R clicks the button; the label's mnemonic moves the focus on.
    events.clear();
    EXPECT_TRUE(user::PressMnemonic(form, 'h'));
    EXPECT_TRUE(user::PressMnemonic(form, 'R'));
    EXPECT_EQ(events, (Events{"checked", "check click", "click"}));
    EXPECT_TRUE(user::PressMnemonic(form, 'D'));
    EXPECT_TRUE(spinner.Focused());
    EXPECT_FALSE(user::PressMnemonic(form, 'x'));

    // A disabled box ignores the user, not the program.
    events.clear();
    check.SetEnabled(false);
    user::Click(check);
    EXPECT_TRUE(check.Checked());
    check.SetChecked(false);
    EXPECT_EQ(events, (Events{"unchecked"}));
}

TEST_F(ControlsTest, SpinnerRangeAndValueChanged) {
    // As the settings form sets it up: the whole 32-bit range.
    spinner.SetMaximum(2147483647);
    spinner.SetMinimum(-2147483647 - 1);
    spinner.SetValue(0);
    EXPECT_TRUE(events.empty());
    spinner.SetValue(30);
    spinner.SetValue(30);
    EXPECT_EQ(spinner.Text(), WSTR("30"));
    EXPECT_THROW(spinner.SetValue(Decimal::FromInt64(2147483648LL)), std::out_of_range);
    EXPECT_EQ(events, (Events{"value 30"}));

    events.clear();
    spinner.SetValue(2147483647);
    spinner.UpButton(); // already at the top: no change
    user::ClickDownArrow(spinner);
    user::PressUp(spinner);
    EXPECT_EQ(events, (Events{"value 2147483647", "value 2147483646", "value 2147483647"}));

    // Narrowing the range pulls the value in; Minimum above Maximum lifts Maximum.
    events.clear();
    spinner.SetMaximum(10);
    EXPECT_EQ(events, (Events{"value 10"}));
    spinner.SetMinimum(20);
    EXPECT_EQ(spinner.Maximum(), Decimal(20));
    EXPECT_EQ(spinner.Value(), Decimal(20));
    EXPECT_THROW(spinner.SetIncrement(-1), std::out_of_range);
    EXPECT_THROW(spinner.SetDecimalPlaces(100), std::out_of_range);
}

TEST_F(ControlsTest, TypedValuesAreCommittedLikeTheRealControl) {
    spinner.SetMaximum(2147483647);
    spinner.SetMinimum(-2147483647 - 1);

    user::SelectAll(spinner);
    user::Type(spinner, WSTR("-5x"));
    EXPECT_EQ(spinner.Text(), WSTR("-5")); // letters are not taken
    EXPECT_TRUE(events.empty());           // nothing is committed while typing
    user::PressEnter(spinner);
    EXPECT_EQ(events, (Events{"value -5"}));

    // Too large: clamped when the focus leaves for the check box.
    events.clear();
    user::Type(spinner, WSTR("\b\b9999999999"));
    user::Click(check);
    EXPECT_EQ(events, (Events{"value 2147483647", "checked", "check click"}));
    EXPECT_EQ(spinner.Text(), WSTR("2147483647"));

    // A click on a button validates the focused spinner before the button's Click.
    events.clear();
    user::SelectAll(spinner);
    user::Type(spinner, WSTR("12"));
    button.PerformClick();
    EXPECT_EQ(events, (Events{"value 12", "click"}));

    // Not a number: the value stays and the text is put back.
    events.clear();
    spinner.SetText(WSTR("--"));
    EXPECT_EQ(spinner.Value(), Decimal(12));
    EXPECT_EQ(spinner.Text(), WSTR("12"));
    EXPECT_TRUE(events.empty());

    // A fraction with no decimal places shown: the value keeps it, the text rounds it.
    user::SelectAll(spinner);
    user::Type(spinner, WSTR("1.7"));
    EXPECT_EQ(spinner.Value(), *Decimal::Parse(WSTR("1.7"))); // reading commits
    EXPECT_EQ(spinner.Text(), WSTR("2"));
    EXPECT_EQ(spinner.Value().ToInt32(), 1);

    // A read-only spinner takes no typing but still steps.
    spinner.SetReadOnly(true);
    user::Type(spinner, WSTR("5"));
    EXPECT_EQ(spinner.Text(), WSTR("2"));
    user::PressUp(spinner);
    EXPECT_EQ(spinner.Text(), WSTR("3"));
}

TEST_F(ControlsTest, TextBoxesButtonsAndHiddenForms) {
    int changes = 0;
    text.TextChanged += [&](Control&, const EventArgs&) { ++changes; };
    text.SetReadOnly(true);
    user::Type(text, WSTR("typed"));
    EXPECT_EQ(text.Text(), WSTR(""));
    text.SetText(WSTR("/tmp/script.txt"));
    text.SetText(WSTR("/tmp/script.txt"));
    EXPECT_EQ(changes, 1);
    text.SetReadOnly(false);
    user::Type(text, WSTR("\bX"));
    EXPECT_EQ(text.Text(), WSTR("/tmp/script.txX"));

    // Tab order is the order the controls were added in; labels are skipped.
    EXPECT_EQ(spinner.TabIndex(), 3);
    user::Focus(button);
    user::PressTab(form);
    EXPECT_TRUE(check.Focused());
    user::PressTab(form);
    EXPECT_TRUE(spinner.Focused());
    user::PressTab(form, false);
    EXPECT_TRUE(check.Focused());

    // A hidden form's button cannot be clicked.
    form.Hide();
    button.PerformClick();
    user::Click(button);
    EXPECT_TRUE(events.empty());
    form.Show();
    button.PerformClick();
    EXPECT_EQ(events, (Events{"click"}));
}

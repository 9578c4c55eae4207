#include "propertypage/filter_property_from.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "filter/i_direct_quorbit.h"
#include "propertypage/settings_form_layout.h"

using namespace dq::forms;

namespace {

// The delay as the box shows it: whole frames, halves rounded away from zero. The box holds
// only values of the 32-bit range, so the rounded value fits too.
LONG WholeFrames(Decimal value) {
    int64_t whole = value.Units() / Decimal::kOne;
    const int64_t rest = value.Units() % Decimal::kOne;
    if (rest >= Decimal::kOne / 2)
        ++whole;
    else if (rest <= -Decimal::kOne / 2)
        --whole;
    return static_cast<LONG>(whole);
}

class LoadingScope {
public:
    explicit LoadingScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~LoadingScope() { m_flag = m_was; }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

} // namespace

FilterPropertyFrom::FilterPropertyFrom(IDirectQuorbit* filter) {
    if (filter == nullptr)
        throw std::invalid_argument("IVideoFilter is null!!");
    m_pDirectQuorbit = filter;
    InitializeComponent();
    get_Settings();
}

FilterPropertyFrom::~FilterPropertyFrom() = default;

void FilterPropertyFrom::InitializeComponent() {
    button_reload = std::make_unique<Button>();
    button_file = std::make_unique<Button>();
    check_hidesub = std::make_unique<CheckBox>();
    check_immediate = std::make_unique<CheckBox>();
    check_debugout = std::make_unique<CheckBox>();
    label_predelay = std::make_unique<Label>();
    label_sufdelay = std::make_unique<Label>();
    num_delay = std::make_unique<NumericUpDown>();
    text_filename = std::make_unique<TextBox>();
    SuspendLayout();

    text_filename->SetText(WSTR(""));
    text_filename->SetLocation({10, 10});
    text_filename->SetSize({260, 20});
    text_filename->SetReadOnly(true);

    button_file->SetText(WSTR("..."));
    button_file->SetLocation({275, 10});
    button_file->SetSize({18, 20});
    button_file->Click += [this](Control& s, const EventArgs& e) { button_file_Click(s, e); };

    button_reload->SetText(WSTR("&Reload"));
    button_reload->SetLocation({10, 40});
    button_reload->SetSize({60, 27});
    button_reload->Click += [this](Control& s, const EventArgs& e) { button_reload_Click(s, e); };

    auto changed = [this](Control& s, const EventArgs& e) { controls_Change(s, e); };
    check_hidesub->SetText(WSTR("&Hide Subtitles"));
    check_hidesub->SetLocation({10, 80});
    check_hidesub->SetSize({200, 16});
    check_hidesub->CheckedChanged += changed;

    check_immediate->SetText(WSTR("&Apply changes immediately"));
    check_immediate->SetLocation({10, 100});
    check_immediate->SetSize({200, 16});
    check_immediate->CheckedChanged += changed;

    check_debugout->SetText(WSTR("&Show Debug Informations"));
    check_debugout->SetLocation({10, 120});
    check_debugout->SetSize({200, 16});
    check_debugout->CheckedChanged += changed;

    label_predelay->SetText(WSTR("Delay:"));
    label_predelay->SetLocation({150, 47});
    label_predelay->SetSize({36, 12});

    num_delay->SetLocation({192, 45});
    num_delay->SetSize({70, 19});
    num_delay->SetTextAlign(HorizontalAlignment::Right);
    num_delay->SetReadOnly(false);
    num_delay->SetMaximum(Decimal(INT32_MAX));
    num_delay->SetMinimum(Decimal(INT32_MIN));
    num_delay->SetValue(Decimal(0));
    num_delay->ValueChanged += changed;

    label_sufdelay->SetText(WSTR("frames (1/60sec)"));
    label_sufdelay->SetLocation({265, 47});
    label_sufdelay->SetSize({94, 12});

    SetStartPosition(FormStartPosition::Manual);
    SetLocation({0, 0});
    SetClientSize({360, 150});
    SetBorderStyle(FormBorderStyle::None);

    // Added in tab order.
    Controls().Add(*button_reload);
    Controls().Add(*button_file);
    Controls().Add(*text_filename);
    Controls().Add(*check_hidesub);
    Controls().Add(*check_immediate);
    Controls().Add(*check_debugout);
    Controls().Add(*label_predelay);
    Controls().Add(*label_sufdelay);
    Controls().Add(*num_delay);
    ResumeLayout(false);
}

void FilterPropertyFrom::FitTo(dq::forms::Size client) {
    SettingsFormTexts texts;
    texts.reload = MeasureText(button_reload->Text());
    texts.file = MeasureText(button_file->Text());
    texts.hide = MeasureText(check_hidesub->Text());
    texts.immediate = MeasureText(check_immediate->Text());
    texts.debug = MeasureText(check_debugout->Text());
    texts.predelay = MeasureText(label_predelay->Text());
    texts.sufdelay = MeasureText(label_sufdelay->Text());
    texts.lineHeight = MeasureText(StringView()).Height;
    const SettingsFormPlaces p = PlaceSettingsForm(texts, client);

    SuspendLayout();
    SetClientSize(client);
    const std::pair<Control*, FormPlace> places[] = {
        {text_filename.get(), p.filename}, {button_file.get(), p.file},
        {button_reload.get(), p.reload},   {label_predelay.get(), p.predelay},
        {num_delay.get(), p.delay},        {label_sufdelay.get(), p.sufdelay},
        {check_hidesub.get(), p.hide},     {check_immediate.get(), p.immediate},
        {check_debugout.get(), p.debug}};
    for (const auto& [control, place] : places) {
        control->SetLocation(place.at);
        control->SetSize(place.size);
    }
    ResumeLayout(false);
}

void FilterPropertyFrom::get_Settings() {
    LoadingScope loading(m_bLoading);
    bool flag = false;
    m_pDirectQuorbit->get_HideSubtitles(&flag);
    check_hidesub->SetChecked(flag);
    flag = false;
    m_pDirectQuorbit->get_ChangeImmediate(&flag);
    check_immediate->SetChecked(flag);
    flag = false;
    m_pDirectQuorbit->get_DebugOutput(&flag);
    check_debugout->SetChecked(flag);
    LONG delay = 0;
    m_pDirectQuorbit->get_Delay(&delay);
    num_delay->SetValue(Decimal(static_cast<int>(delay)));
    WCHAR fileName[DQ_MAX_PATH] = {};
    m_pDirectQuorbit->get_FileName(fileName);
    text_filename->SetText(StringView(
        fileName, size_t(std::find(fileName, fileName + DQ_MAX_PATH, WCHAR(0)) - fileName)));
}

void FilterPropertyFrom::put_Settings() {
    m_pDirectQuorbit->put_HideSubtitles(check_hidesub->Checked());
    m_pDirectQuorbit->put_ChangeImmediate(check_immediate->Checked());
    m_pDirectQuorbit->put_Delay(WholeFrames(num_delay->Value()));
    m_pDirectQuorbit->put_DebugOutput(check_debugout->Checked());
    // A copy: the filter is handed a writable buffer, the control's text is not one.
    String fileName = text_filename->Text();
    m_pDirectQuorbit->put_FileName(fileName.data());
}

// The handlers run from the window system's message dispatch: what they cannot do (for lack
// of memory) leaves the settings as they were, rather than unwinding into the system.
void FilterPropertyFrom::button_file_Click(Control&, const EventArgs&) {
    try {
        OpenFileDialog chooser;
        chooser.SetTitle(WSTR("Choose QuorENT file"));
        chooser.SetFilter(WSTR("QuorENT file (*.txt)|*.txt|All Files (*.*)|*.*"));
        if (chooser.ShowDialog() == DialogResult::OK)
            text_filename->SetText(chooser.FileName());
        // Also after a cancel: the unchanged settings go out again, which reloads the script.
        put_Settings();
    } catch (const std::exception&) {
    }
}

void FilterPropertyFrom::button_reload_Click(Control&, const EventArgs&) {
    m_pDirectQuorbit->reload_File();
}

void FilterPropertyFrom::controls_Change(Control&, const EventArgs&) {
    if (m_bLoading)
        return;
    try {
        put_Settings();
    } catch (const std::exception&) {
    }
}

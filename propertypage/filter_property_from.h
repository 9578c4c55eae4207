// The settings form of the overlay filter's property page: the script file, hide subtitles,
// apply changes immediately, debug output and delay. Every change goes straight to the filter
// through IDirectQuorbit; there is no apply step and no undo.
#pragma once

#include <memory>

#include "platform/forms/forms.h"

struct IDirectQuorbit;

class FilterPropertyFrom : public dq::forms::Form {
public:
    // Builds the controls and fills them from the filter. The interface is lent: whoever
    // creates the form keeps it alive for as long as the form exists. A null interface throws
    // std::invalid_argument("IVideoFilter is null!!").
    explicit FilterPropertyFrom(IDirectQuorbit* filter);
    ~FilterPropertyFrom() override;

    // Reads the filter's settings into the controls; this sends nothing back.
    void get_Settings();
    // Writes all five settings to the filter, in a fixed order.
    void put_Settings();
    // Makes the form's client area `client` (the page's) and lays the controls out in it, each
    // sized for its text in the controls' font (settings_form_layout.h). Controls, texts and
    // tab order stay as they are.
    void FitTo(dq::forms::Size client);

private:
    void InitializeComponent();

    void button_file_Click(dq::forms::Control& sender, const dq::forms::EventArgs& e);
    void button_reload_Click(dq::forms::Control& sender, const dq::forms::EventArgs& e);
    void controls_Change(dq::forms::Control& sender, const dq::forms::EventArgs& e);

    IDirectQuorbit* m_pDirectQuorbit = nullptr;
    std::unique_ptr<dq::forms::Button> button_reload;
    std::unique_ptr<dq::forms::Button> button_file;
    std::unique_ptr<dq::forms::CheckBox> check_hidesub;
    std::unique_ptr<dq::forms::CheckBox> check_immediate;
    std::unique_ptr<dq::forms::CheckBox> check_debugout;
    std::unique_ptr<dq::forms::Label> label_predelay;
    std::unique_ptr<dq::forms::Label> label_sufdelay;
    std::unique_ptr<dq::forms::NumericUpDown> num_delay;
    std::unique_ptr<dq::forms::TextBox> text_filename;

    // Set while the controls are being filled from the filter: their change events are not
    // the user's.
    bool m_bLoading = false;
};

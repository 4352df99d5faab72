#pragma once
// The flat parameter record: every setting of the system in one plain value.
// The live record gpWPara and the settings window's edit copy gpWParaBak are
// compared byte for byte, so the layout has no padding and the text buffers
// are zero-filled past their text.
#include <QString>
#include <cstdint>
#include <type_traits>

class WizardPara {
public:
    static constexpr int TextLen = 100; // 99 bytes of text and a zero byte

    WizardPara();

    // Fills this record from "PARAM.db" (connection "dbIn"), "SN.db" ("dbT"),
    // "sysadd.txt" and "name.txt", repairs ranges and derives the steps.
    // Only a missing row takes the default (the step rows system8-10 one
    // that turns every step off); a row that cannot be read (tried again
    // while another connection locks the file) leaves its fields at their
    // defaults, holds every parameter and region save for the run (serial
    // saves for a serial row), and is told to the operator and journaled.
    // False when anything could not be read.
    bool LoadDatafromFile();
    // Writes the whole record to "PARAM.db" in one transaction; false (and a
    // log line) when the database refused the write. Missing rows are inserted.
    bool SaveDatatoFile();
    // Rewrites "sysadd.txt" from para_group; false when it cannot be written.
    bool SaveAddFile();
    // Inserts the key with the value "0" when "PARAM.db" lacks it.
    bool SaveChkDBItem(const QString& key);

    // Range repairs and the detection-method rule of a load.
    void RepairRanges();
    // Procedure fields, gDNum and the left/right mold pair (load step 4).
    void DeriveProcedure();

    bool sameAs(const WizardPara& other) const;

    int32_t expose_time[8];
    int32_t adjust_plus[8];
    int32_t sharp[8];
    int32_t contrast[8];
    int32_t gamma[8];
    int32_t detect_delay[8];
    int32_t step_trigger_input[8];
    int32_t input_inverted[8];
    int32_t output_initial_state[9];
    int32_t semi_auto;
    int32_t step_enabled[8];
    int32_t enabe_two_test;
    int32_t enable_stop_mold;
    int32_t enable_correct;
    int32_t mold_cutoff;
    int32_t is_psw_used;
    int32_t enable_screen_alert;
    int32_t template_auto_update;
    int32_t detect_product;
    int32_t serial_count;
    int32_t max_mold_num;
    int32_t ng_max_num;
    int32_t ok_record_max_num;
    int32_t location_level;
    int32_t capture_speed;
    int32_t difference_multiplier;
    int32_t auto_cancel_timelen;
    int32_t front_mold_timelen;
    int32_t front_auto_check_time;
    int32_t thimble_pulse;
    int32_t mold_pulse;
    int32_t input_timeout_len;
    int32_t input_debounce_time;
    int32_t minimum_size;
    int32_t minimum_area;
    int32_t enable_cutoff_ontime;
    int32_t enable_stop_not_alarm;
    int32_t enable_output_thimble_pulse;
    int32_t is_cut_ontime;
    int32_t is_cut_ontime_thimble;
    int32_t pulse_output;
    int32_t cut_ejector_on_prod_alarm;
    int32_t cut_clamp_on_mold_alarm;
    int32_t detect_any_order;
    int32_t enable_pass_protect;
    int32_t add_template_protect;
    int32_t ignore_alarm_protect;
    int32_t stop_detect_protect;
    int32_t enable_disarm_before_open;
    int32_t enable_defect_detect;
    int32_t enable_spot_detect;
    int32_t enable_ignore_area;
    int32_t enable_manual_edit;
    int32_t enable_display_detail;
    int32_t enable_trigger_safety;
    int32_t enable_one_not_mold;
    int32_t auto_generate_area;
    int32_t spare_1;
    int32_t enable_mold_backup;
    int32_t location_adge;
    int32_t template_is_ng_image;
    int32_t show_live_regions;
    int32_t show_cavity_number;
    int32_t enable_log;
    int32_t temp_alarm_cuts_clamp;
    int32_t serial_port;
    int32_t enable_color_camera;
    int32_t enable_gray_channel;
    int32_t prohibit_optimize;
    int32_t min_spot;
    int32_t snap_shot;
    int32_t factory_param;
    int32_t procedure;
    int32_t procedure_requested;
    int32_t cavity_position;
    int32_t pre_cut;
    int32_t auto_exposure;
    int32_t auto_shading;
    int32_t save_ok_record;
    int32_t enable_black_area;
    int32_t enable_white_area;
    int32_t enable_white_num;
    int32_t enable_direction_check;
    int32_t enable_similarity;
    int32_t rotate_angle;
    int32_t spare_3;
    char password[TextLen];
    int32_t enable_network;
    int32_t local_addr[4];
    int32_t net_mask[4];
    int32_t gateway[4];
    int32_t cntnet_enable;
    char CntNet_UseName[TextLen];
    int32_t video_type;
    int32_t video_fps;
    int32_t record_ng_video;
    int32_t alarm_sms;
    char CntNet_MsgTechName[TextLen];
    char CntNet_MsgTechNum[TextLen];
    char CntNet_ProName[TextLen];
    int32_t product_serial;
    int32_t product_moldcavity;
    int32_t product_num;
    char CntNet_Operator[TextLen];
    int32_t spare_2;
    int32_t detect_count;
    int32_t output_row[8];
    int32_t row_trigger[8];
    int32_t row_cut_mode[8];
    int32_t step_row[8];
    int32_t input_name_index[8];
    int32_t output_name_index[8];
    int32_t use_external_trigger;
    int32_t temp_alarm_min[8];
    int32_t temp_alarm_max[8];
    int32_t para_group;
};

static_assert(std::is_standard_layout<WizardPara>::value, "plain record");
static_assert(std::is_trivially_copyable<WizardPara>::value, "copied as bytes");
static_assert(std::has_unique_object_representations<WizardPara>::value, "no padding: compared as bytes");

// Sets a text field: at most 99 bytes, zero-filled to the end. False (field
// unchanged) when the text is longer.
bool setParamText(char (&field)[WizardPara::TextLen], const QByteArray& bytes);

extern WizardPara* gpWPara;    // live record
extern WizardPara* gpWParaBak; // edit copy of the settings window
extern int gDNum;              // detection steps per camera
extern QString gaName[18];     // display names of the inputs and outputs
extern char gSerialNB[8][WizardPara::TextLen]; // camera serial bound to each slot
// The main window's leftMoldActive: the load sets it through this pointer once
// the window exists (procedures 1 and 2).
extern int* gpLeftMoldActive;

// Database connection names the main window opens before the load.
inline const char* kParamConnection = "dbIn";
inline const char* kSerialConnection = "dbT";

// Why the records in memory must not be saved: a parameter group was put in
// place of "PARAM.db" and the restart that loads it did not happen (the
// records are older than the file), or the load could not read the file (the
// records hold defaults where the file holds values). Every save of
// parameters or regions, and every write of template and ignore-point
// bitmaps, is refused until the restart.
enum class SaveHold { GroupRestored = 1, ParamsUnread = 2 };
// Sets the hold for the reason; false clears every reason (tests).
void holdParamSaves(bool held = true, SaveHold why = SaveHold::GroupRestored);
bool paramSavesHeld();
// What the operator is told when a save or bitmap write is refused for the
// hold (empty when nothing is held).
QString paramSavesHeldText();
// The serial rows of "SN.db" could not be read: the bindings in memory are
// not what is stored, so none is saved until the restart.
bool serialSavesHeld();

// Text rows of the failed reads.
constexpr int kLanParamsUnread = 1730;    // told and journaled by the load
constexpr int kLanSavesHeldUnread = 1731; // a save refused for that hold
constexpr int kLanSerialsUnread = 1732;   // serial rows not read; serial saves refused
constexpr int kLanSavesHeldRestored = 1531; // a save refused while a restored group waits

// Called after every successful save (the reporting link hooks its parameter
// message here).
using ParamSavedHook = void (*)(const WizardPara&);
void setParamSavedHook(ParamSavedHook hook);

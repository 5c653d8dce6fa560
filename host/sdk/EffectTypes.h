// The host's effect interface: basic types, constants, pixels, worlds and
// parameter definitions. Our own declaration, holding exactly what the effect
// and the embedded host use, with the host's names and values.
#pragma once

#include <cstdint>

// ---- Basic types -----------------------------------------------------------
typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint64_t A_u_longlong;
typedef uint8_t A_Boolean;
typedef uint8_t PF_Boolean;
typedef double PF_FpLong;

typedef A_long PF_Err;
typedef A_long PF_Fixed;  // 16.16 fixed point
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamValue;
typedef A_long PF_ParamType;
typedef A_long PF_ParamFlags;
typedef A_long PF_ParamUIFlags;
typedef A_short PF_ValueDisplayFlags;
typedef A_long PF_WorldFlags;
typedef A_long PF_NewWorldFlags;
typedef A_long PF_OutFlags;
typedef A_long PF_Quality;
typedef A_long PF_ModeFlags;
typedef A_long PF_Field;
typedef A_long PF_TransferMode;
typedef A_long PF_Cmd;
typedef A_long PF_PathID;
typedef void** PF_Handle;

// Opaque reference to the effect instance inside the host.
typedef struct _PF_ProgressInfo* PF_ProgPtr;
// Opaque mask outline handed out by the path query suite.
typedef struct _PF_PathOutline* PF_PathOutlinePtr;

#define PF_MAX_EFFECT_MSG_LEN 255
#define PF_MAX_EFFECT_NAME_LEN 31
#define PF_MAX_PARAM_NAME_LEN 31
#define PF_MAX_PARAM_VALUE_LEN 31

// ---- Error codes -----------------------------------------------------------
enum {
  PF_Err_NONE = 0,
  PF_Err_OUT_OF_MEMORY = 4,
  PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
  PF_Err_INVALID_INDEX = 513,
  PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
  PF_Err_INVALID_CALLBACK = 515,
  PF_Err_BAD_CALLBACK_PARAM = 516,
  PF_Interrupt_CANCEL = 517,
};

// ---- Commands --------------------------------------------------------------
enum {
  PF_Cmd_ABOUT = 0,
  PF_Cmd_GLOBAL_SETUP = 1,
  PF_Cmd_UNUSED_0 = 2,
  PF_Cmd_GLOBAL_SETDOWN = 3,
  PF_Cmd_PARAMS_SETUP = 4,
  PF_Cmd_SEQUENCE_SETUP = 5,
  PF_Cmd_SEQUENCE_RESETUP = 6,
  PF_Cmd_SEQUENCE_FLATTEN = 7,
  PF_Cmd_SEQUENCE_SETDOWN = 8,
  PF_Cmd_DO_DIALOG = 9,
  PF_Cmd_FRAME_SETUP = 10,
  PF_Cmd_RENDER = 11,
  PF_Cmd_FRAME_SETDOWN = 12,
  PF_Cmd_USER_CHANGED_PARAM = 13,
  PF_Cmd_UPDATE_PARAMS_UI = 14,
};

// ---- Version word packing and stages ----------------------------------------
enum {
  PF_Stage_DEVELOP = 0,
  PF_Stage_ALPHA = 1,
  PF_Stage_BETA = 2,
  PF_Stage_RELEASE = 3,
};

#define PF_VERSION(vers, subvers, bugvers, stage, build)                           \
  (A_u_long)((((A_u_long)(vers)&0x1F) << 19) | (((A_u_long)(subvers)&0xF) << 15) | \
             (((A_u_long)(bugvers)&0xF) << 11) | (((A_u_long)(stage)&0x3) << 9) |  \
             ((A_u_long)(build)&0x1FF))

// ---- Global out flags --------------------------------------------------------
enum {
  PF_OutFlag_NONE = 0,
  PF_OutFlag_USE_OUTPUT_EXTENT = 1L << 6,
  PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1L << 8,
  PF_OutFlag_DEEP_COLOR_AWARE = 1L << 25,
  PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1L << 26,
};

// ---- Quality, fields, mode flags ---------------------------------------------
enum {
  PF_Quality_LO = 0,
  PF_Quality_HI = 1,
};

enum {
  PF_Field_FRAME = 0,
  PF_Field_UPPER = 1,
  PF_Field_LOWER = 2,
};

enum {
  PF_MF_Alpha_PREMUL = 0,
  PF_MF_Alpha_STRAIGHT = 1,
};

// ---- Worlds ------------------------------------------------------------------
enum {
  PF_WorldFlag_DEEP = 1L << 0,
  PF_WorldFlag_WRITEABLE = 1L << 1,
};

enum {
  PF_NewWorldFlag_NONE = 0,
  PF_NewWorldFlag_CLEAR_PIXELS = 1L << 0,
  PF_NewWorldFlag_DEEP_PIXELS = 1L << 1,
};

// Channels in memory order alpha, red, green, blue; straight colour.
typedef struct {
  A_u_char alpha, red, green, blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;
typedef PF_Pixel PF_UnionablePixel;

// 16-bit channels run from 0 to 32768 (full), not to 65535.
typedef struct {
  A_u_short alpha, red, green, blue;
} PF_Pixel16;

#define PF_MAX_CHAN8 255
#define PF_HALF_CHAN8 128
#define PF_MAX_CHAN16 32768
#define PF_HALF_CHAN16 16384

typedef struct {
  A_long h, v;
} PF_Point;

// right and bottom are exclusive: the rectangle holds left <= x < right.
typedef struct {
  A_long left, top, right, bottom;
} PF_Rect;
typedef PF_Rect PF_UnionableRect;

typedef struct {
  A_long num;
  A_u_long den;
} PF_RationalScale;

typedef struct {
  void* reserved0;
  void* reserved1;
  PF_WorldFlags world_flags;
  void* data;  // pixel (0, 0)
  A_long rowbytes;
  A_long width;
  A_long height;
  PF_UnionableRect extent_hint;
  void* platform_ref;
  PF_RationalScale pix_aspect_ratio;
  A_long origin_x;
  A_long origin_y;
  A_long dephault;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

// Mask world of transfer_rect; the effect never passes one.
typedef struct {
  PF_EffectWorld mask;
  PF_Point offset;
  A_long what_is_mask;
} PF_MaskWorld;

// ---- Transfer modes (PF_Xfer) ------------------------------------------------
enum {
  PF_Xfer_NONE = -1,
  PF_Xfer_COPY = 0,
  PF_Xfer_BEHIND = 1,
  PF_Xfer_IN_FRONT = 2,
  PF_Xfer_DISSOLVE = 3,
  PF_Xfer_ADD = 4,
  PF_Xfer_MULTIPLY = 5,
  PF_Xfer_SCREEN = 6,
  PF_Xfer_OVERLAY = 7,
  PF_Xfer_SOFT_LIGHT = 8,
  PF_Xfer_HARD_LIGHT = 9,
  PF_Xfer_DARKEN = 10,
  PF_Xfer_LIGHTEN = 11,
  PF_Xfer_DIFFERENCE = 12,
  PF_Xfer_HUE = 13,
  PF_Xfer_SATURATION = 14,
  PF_Xfer_COLOR = 15,
  PF_Xfer_LUMINOSITY = 16,
  PF_Xfer_ALPHA_ADD = 22,
  PF_Xfer_COLOR_DODGE = 23,  // the classic colour dodge
  PF_Xfer_COLOR_BURN = 24,   // the classic colour burn
  PF_Xfer_EXCLUSION = 25,
  PF_Xfer_DIFFERENCE2 = 26,
  PF_Xfer_COLOR_DODGE2 = 27,
  PF_Xfer_COLOR_BURN2 = 28,
  PF_Xfer_LINEAR_LIGHT = 31,
  PF_Xfer_VIVID_LIGHT = 32,
  PF_Xfer_PIN_LIGHT = 33,
};

typedef struct {
  PF_TransferMode xfer;
  A_long rand_seed;
  A_u_char opacity;     // 8-bit opacity, 0..255
  PF_Boolean rgb_only;  // when set, alpha is not composited
  A_u_short opacitySu;  // 16-bit opacity, 0..32768
} PF_CompositeMode;

// ---- Parameters ----------------------------------------------------------------
enum {
  PF_Param_LAYER = 0,
  PF_Param_SLIDER = 1,
  PF_Param_FIX_SLIDER = 2,
  PF_Param_ANGLE = 3,
  PF_Param_CHECKBOX = 4,
  PF_Param_COLOR = 5,
  PF_Param_POINT = 6,
  PF_Param_POPUP = 7,
  PF_Param_CUSTOM = 8,
  PF_Param_NO_DATA = 9,
  PF_Param_FLOAT_SLIDER = 10,
  PF_Param_ARBITRARY_DATA = 11,
  PF_Param_PATH = 12,
  PF_Param_GROUP_START = 13,
  PF_Param_GROUP_END = 14,
};

enum {
  PF_ParamFlag_RESERVED1 = 1L << 0,
  PF_ParamFlag_CANNOT_TIME_VARY = 1L << 1,
  PF_ParamFlag_CANNOT_INTERP = 1L << 2,
  PF_ParamFlag_COLLAPSE_TWIRLY = 1L << 5,
  PF_ParamFlag_SUPERVISE = 1L << 6,
};

enum {
  PF_PUI_NONE = 0,
  PF_PUI_DISABLED = 1L << 5,
};

enum {
  PF_ValueDisplayFlag_NONE = 0,
  PF_ValueDisplayFlag_PERCENT = 1 << 0,
};

typedef struct {
  PF_Fixed value;
  A_char value_str[PF_MAX_PARAM_VALUE_LEN + 1];
  A_char value_desc[PF_MAX_PARAM_VALUE_LEN + 1];
  PF_Fixed valid_min, valid_max;
  PF_Fixed slider_min, slider_max;
  PF_Fixed dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
} PF_FixedSliderDef;

typedef struct {
  PF_ParamValue value;
  PF_Boolean dephault;
  A_char reserved;
  A_short reserved1;
  union {
    const A_char* nameptr;  // label shown beside the box
  } u;
} PF_CheckBoxDef;

typedef struct {
  PF_UnionablePixel value;
  PF_UnionablePixel dephault;
} PF_ColorDef;

// Defaults are 16.16 percentages of the layer; values are delivered in pixels
// of the world being rendered (16.16).
typedef struct {
  PF_Fixed x_value;
  PF_Fixed y_value;
  A_char reserved[3];
  PF_Boolean restrict_bounds;
  PF_Fixed x_dephault;
  PF_Fixed y_dephault;
} PF_PointDef;

typedef struct {
  PF_ParamValue value;
  A_short num_choices;
  A_short dephault;
  union {
    const A_char* namesptr;  // choices separated by '|', the first is value 1
  } u;
} PF_PopupDef;

typedef struct {
  PF_PathID path_id;  // 0: no mask chosen
  A_long reserved0;
  A_long dephault;
} PF_PathDef;

typedef union {
  PF_LayerDef ld;
  PF_FixedSliderDef fd;
  PF_CheckBoxDef bd;
  PF_ColorDef cd;
  PF_PointDef td;
  PF_PopupDef pd;
  PF_PathDef path_d;
} PF_ParamDefUnion;

typedef struct {
  union {
    A_long id;  // the stored identifier of the control
    A_long change_flag;
  } uu;
  PF_ParamUIFlags ui_flags;
  A_short ui_width;
  A_short ui_height;
  PF_ParamType param_type;
  A_char name[PF_MAX_PARAM_NAME_LEN + 1];
  PF_ParamFlags flags;
  A_long unused;
  PF_ParamDefUnion u;
} PF_ParamDef;
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

typedef struct {
  PF_ParamIndex param_index;
} PF_UserChangedParamExtra;

// ---- Mask path vertices --------------------------------------------------------
// Tangents are absolute positions of the handle points, not offsets.
typedef struct {
  PF_FpLong x, y;
  PF_FpLong tan_in_x, tan_in_y;
  PF_FpLong tan_out_x, tan_out_y;
} PF_PathVertex;

#define PF_FIXED_TO_DOUBLE(f) ((double)(f)*1.52587890625e-5)

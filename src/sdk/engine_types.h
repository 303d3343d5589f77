// Our declarations of the data the Half-Life engine shares with the game
// library and its plugins: the global variables, entities and console
// variables.  Layouts follow the engine's binary interface; abi_checks.h
// asserts the sizes and offsets.
#pragma once

#include "sdk/abi.h"

typedef int qboolean;
typedef int string_t;
typedef unsigned char byte;
typedef float vec3_t[3];
typedef uint32_t CRC32_t;

struct edict_s;
typedef struct edict_s edict_t;
struct entvars_s;
struct delta_s;
struct entity_state_s;
struct sequenceEntry_s;
struct sentenceEntry_s;
struct TraceResult;

// ---------------------------------------------------------------- cvar_t

enum CvarFlags : int {
    FCVAR_ARCHIVE = 1,
    FCVAR_USERINFO = 2,
    FCVAR_SERVER = 4,
    FCVAR_EXTDLL = 8,
    FCVAR_CLIENTDLL = 16,
    FCVAR_PROTECTED = 32,
    FCVAR_SPONLY = 64,
    FCVAR_PRINTABLEONLY = 128,
    FCVAR_UNLOGGED = 256,
};

typedef struct cvar_s {
    const char *name;
    const char *string;
    int flags;
    float value;
    struct cvar_s *next;
} cvar_t;

// ---------------------------------------------------------------- constants

enum PRINT_TYPE { print_console = 0, print_center = 1, print_chat = 2 };
enum ALERT_TYPE { at_notice, at_console, at_aiconsole, at_warning, at_error, at_logged };
enum FORCE_TYPE { force_exactfile, force_model_samebounds, force_model_specifybounds, force_model_specifybounds_if_avail };

constexpr int FL_WORLDBRUSH = 1 << 25;
constexpr int kRenderNormal = 0;
constexpr int kRenderTransTexture = 2;

// ---------------------------------------------------------------- globalvars_t

typedef struct globalvars_s {
    float time;
    float frametime;
    float force_retouch;
    string_t mapname;
    string_t startspot;
    float deathmatch;
    float coop;
    float teamplay;
    float serverflags;
    float found_secrets;
    vec3_t v_forward;
    vec3_t v_up;
    vec3_t v_right;
    float trace_allsolid;
    float trace_startsolid;
    float trace_fraction;
    vec3_t trace_endpos;
    vec3_t trace_plane_normal;
    float trace_plane_dist;
    edict_t *trace_ent;
    float trace_inopen;
    float trace_inwater;
    int trace_hitgroup;
    int trace_flags;
    int msg_entity;
    int cdAudioTrack;
    int maxClients;
    int maxEntities;
    const char *pStringBase;
    void *pSaveData;
    vec3_t vecLandmarkOffset;
} globalvars_t;

// ---------------------------------------------------------------- entvars_t / edict_t

typedef struct entvars_s {
    string_t classname;
    string_t globalname;
    vec3_t origin;
    vec3_t oldorigin;
    vec3_t velocity;
    vec3_t basevelocity;
    vec3_t clbasevelocity;
    vec3_t movedir;
    vec3_t angles;
    vec3_t avelocity;
    vec3_t punchangle;
    vec3_t v_angle;
    vec3_t endpos;
    vec3_t startpos;
    float impacttime;
    float starttime;
    int fixangle;
    float idealpitch;
    float pitch_speed;
    float ideal_yaw;
    float yaw_speed;
    int modelindex;
    string_t model;
    int viewmodel;
    int weaponmodel;
    vec3_t absmin;
    vec3_t absmax;
    vec3_t mins;
    vec3_t maxs;
    vec3_t size;
    float ltime;
    float nextthink;
    int movetype;
    int solid;
    int skin;
    int body;
    int effects;
    float gravity;
    float friction;
    int light_level;
    int sequence;
    int gaitsequence;
    float frame;
    float animtime;
    float framerate;
    byte controller[4];
    byte blending[2];
    float scale;
    int rendermode;
    float renderamt;
    vec3_t rendercolor;
    int renderfx;
    float health;
    float frags;
    int weapons;
    float takedamage;
    int deadflag;
    vec3_t view_ofs;
    int button;
    int impulse;
    edict_t *chain;
    edict_t *dmg_inflictor;
    edict_t *enemy;
    edict_t *aiment;
    edict_t *owner;
    edict_t *groundentity;
    int spawnflags;
    int flags;
    int colormap;
    int team;
    float max_health;
    float teleport_time;
    float armortype;
    float armorvalue;
    int waterlevel;
    int watertype;
    string_t target;
    string_t targetname;
    string_t netname;
    string_t message;
    float dmg_take;
    float dmg_save;
    float dmg;
    float dmgtime;
    string_t noise;
    string_t noise1;
    string_t noise2;
    string_t noise3;
    float speed;
    float air_finished;
    float pain_finished;
    float radsuit_finished;
    edict_t *pContainingEntity;
    int playerclass;
    float maxspeed;
    float fov;
    int weaponanim;
    int pushmsec;
    int bInDuck;
    int flTimeStepSound;
    int flSwimTime;
    int flDuckTime;
    int iStepLeft;
    float flFallVelocity;
    int gamestate;
    int oldbuttons;
    int groupinfo;
    int iuser1;
    int iuser2;
    int iuser3;
    int iuser4;
    float fuser1;
    float fuser2;
    float fuser3;
    float fuser4;
    vec3_t vuser1;
    vec3_t vuser2;
    vec3_t vuser3;
    vec3_t vuser4;
    edict_t *euser1;
    edict_t *euser2;
    edict_t *euser3;
    edict_t *euser4;
} entvars_t;

typedef struct link_s {
    struct link_s *prev;
    struct link_s *next;
} link_t;

struct edict_s {
    qboolean free;
    int serialnumber;
    link_t area;
    int headnode;
    int num_leafs;
    short leafnums[48];
    float freetime;
    void *pvPrivateData;
    entvars_t v;
};

#pragma once
// The start-up module: the program's entry, the shared database objects
// every form runs its statements through, and the shared routines.
#include <QString>
#include <QVariant>
#include <memory>

namespace vb {
class Connection;
class Recordset;
class Command;
} // namespace vb

namespace aminv {

// The shared objects. Using one after the main form released it raises
// error 91.
vb::Connection &dbConn();
vb::Recordset &mainRs();
vb::Recordset &auxRs();
vb::Command &sharedCmd();
bool connected();

// Finds or writes "constr.txt", opens the connection, creates the shared
// objects and shows Form1 modeless.
void Main();
// Form1's unload: releases dbConn, mainRs and sharedCmd (auxRs stays).
void release();
// Releases all four; runs at the latest when the application object goes.
void releaseAll();
// A start-up procedure of its own (the earlier edition's) makes the shared
// objects itself and hands them over here.
void adoptShared(std::unique_ptr<vb::Connection> connection, std::unique_ptr<vb::Recordset> main,
                 std::unique_ptr<vb::Recordset> aux, std::unique_ptr<vb::Command> command);

// Shows the confirmation box with a question; 6 for "Ok", 7 for "Cancel".
QVariant ConfirmBox(const QString &text);

// The default connection line written when "constr.txt" is missing.
inline constexpr const char *DefaultConnection = "DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb";
// Shown while the start-up adds the indexes an office's older file lacks.
inline constexpr const char *PreparingText = "Preparing the database for this program (done once). Please wait...";

} // namespace aminv

#pragma once
// The login form that guards an operation of the main screen. Every gate
// has the same controls and the same check; a gate states its heading, its
// accounts (tested in order), the message for a refusal and how the
// protected form is shown.
#include "runtime/form.h"

#include <QDate>
#include <QString>
#include <functional>
#include <vector>

class LoginGate : public vb::Form
{
public:
    struct Account {
        QString userName;
        // The password as it stands on the given date (fixed accounts ignore it).
        std::function<QString(const QDate &)> password;
        QString opens; // the protected form
    };
    struct Design {
        QString name;
        QString heading;
        std::vector<Account> accounts;
        QString refusal;
        bool modalOpen = true;
    };

    // A password that never changes.
    static std::function<QString(const QDate &)> fixedPassword(const QString &password);

    const Design &design() const { return m_gate; }

    vb::Shape Shape1{this, "Shape1"};
    vb::Shape Shape2{this, "Shape2"};
    vb::Label Label1{this, "Label1"};
    vb::Label Label2{this, "Label2"};
    vb::ControlArray<vb::Label> lblLabels{this, "lblLabels", 0, 1};
    vb::TextBox txtUserName{this, "txtUserName"};
    vb::TextBox txtPassword{this, "txtPassword"};
    vb::CommandButton cmdOK{this, "cmdOK"};
    vb::CommandButton cmdCancel{this, "cmdCancel"};

    void Form_Load();
    void txtPassword_KeyPress(int &KeyAscii);
    void cmdCancel_Click();
    void cmdOK_Click();

protected:
    explicit LoginGate(Design design);

private:
    Design m_gate;
};

"""The ORBI mechanism through python-gssapi, client code nobody here wrote,
over MIT krb5's unmodified glue (GSS_MECH_CONFIG names the module).

    python3 python_client.py MECHANISM_OID
"""
import sys
import unittest

import gssapi
import gssapi.raw as raw
from gssapi.raw import exceptions as gss_errors

MECH = gssapi.OID.from_int_seq(sys.argv.pop(1) if len(sys.argv) > 1 else "")
PATH_ATTR = ("urn:oid:%s.2.1" % MECH.dotted_form).encode()
ENTRIES_ATTR = ("urn:oid:%s.2.2" % MECH.dotted_form).encode()
# RFC 5587: GSS_C_MA_MECH_CONCRETE and GSS_C_MA_NOT_DFLT_MECH.
MA_CONCRETE = gssapi.OID.from_int_seq("1.3.6.1.5.5.13.1")
MA_NOT_DEFAULT = gssapi.OID.from_int_seq("1.3.6.1.5.5.13.8")


def mechanism_name(text):
    return gssapi.Name(text).canonicalize(MECH)


class Names(unittest.TestCase):
    def test_round_trips(self):
        for text in [b"alice", b"db/users\nalice\nbob", b"ali\0\0", b"x" * 300]:
            with self.subTest(text=text):
                name = mechanism_name(text)
                self.assertEqual(bytes(name), text)
                self.assertEqual(name.name_type.dotted_form,
                                 MECH.dotted_form + ".1")
                token = name.export()
                back = gssapi.Name(token, gssapi.NameType.export)
                self.assertEqual(back, name)
                self.assertEqual(back.export(), token)
                copy = raw.duplicate_name(name)
                self.assertTrue(raw.compare_name(copy, name))
                self.assertEqual(raw.display_name(copy).name, text)

    def test_different_inputs_stay_different(self):
        for a, b in [(b"alice", b"Alice"), (b"alice", b"alice\0"),
                     (b"ali", b"ali\0\0"), (b"db\na", b"db\nb")]:
            with self.subTest(a=a, b=b):
                self.assertNotEqual(mechanism_name(a), mechanism_name(b))
                self.assertNotEqual(mechanism_name(a).export(),
                                    mechanism_name(b).export())

    def test_a_byte_behind_a_nul_is_refused(self):
        for text in [b"ali\0ce", b"\0a", b"db\0\nalice"]:
            with self.subTest(text=text):
                with self.assertRaises(gss_errors.BadNameError):
                    mechanism_name(text)

    def test_names_for_mech(self):
        types = raw.inquire_names_for_mech(MECH)
        self.assertIn(gssapi.NameType.export, types)
        self.assertIn(gssapi.NameType.anonymous, types)

    def test_a_refusal_explains_itself(self):
        with self.assertRaises(gss_errors.GSSError) as caught:
            mechanism_name(b"ali\0ce")
        self.assertIn("NAME_HAS_NUL", caught.exception.gen_message())


class MechanismName(unittest.TestCase):
    def test_is_a_mechanism_name_of_orbi(self):
        name = mechanism_name(b"alice")
        self.assertTrue(name.is_mech_name)
        self.assertEqual(name.mech, MECH)

    def test_attributes_are_the_path_and_the_entries(self):
        cases = [
            (b"db/users\nalice\nbob",
             {PATH_ATTR: [b"db/users"], ENTRIES_ATTR: [b"alice", b"bob"]}),
            (b"alice", {PATH_ATTR: [b"alice"]}),
            (b"db\n\n", {PATH_ATTR: [b"db"], ENTRIES_ATTR: [b"", b""]}),
            (b"\nalice", {}),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                name = mechanism_name(text)
                self.assertEqual(sorted(name.attributes), sorted(expected))
                for attr, values in expected.items():
                    got = name.attributes[attr]
                    self.assertEqual(list(got.values), values)
                    self.assertFalse(got.authenticated)
                    self.assertTrue(got.complete)

    def test_display_values_are_printable(self):
        got = mechanism_name(b"db\n\x01\\z").attributes[ENTRIES_ATTR]
        self.assertEqual(list(got.values), [b"\x01\\z"])
        self.assertEqual(list(got.display_values), [b"\\x01\\\\z"])

    def test_attributes_cannot_be_changed(self):
        name = mechanism_name(b"db\nalice")
        for attr, error in [(ENTRIES_ATTR, gss_errors.UnauthorizedError),
                            (PATH_ATTR, gss_errors.UnauthorizedError),
                            (b"urn:oid:1.2.3", gss_errors.OperationUnavailableError)]:
            with self.subTest(attr=attr):
                with self.assertRaises(error):
                    raw.set_name_attribute(name, attr, [b"mallory"])
                with self.assertRaises(error):
                    raw.delete_name_attribute(name, attr)
        self.assertEqual(list(name.attributes[ENTRIES_ATTR].values),
                         [b"alice"])


class Mechanism(unittest.TestCase):
    def test_attributes_say_concrete_and_not_default(self):
        attrs = raw.inquire_attrs_for_mech(MECH)
        self.assertIn(MA_CONCRETE, attrs.mech_attrs)
        self.assertIn(MA_NOT_DEFAULT, attrs.mech_attrs)
        self.assertEqual(len(attrs.known_mech_attrs), 27)
        defaults = raw.indicate_mechs_by_attrs(except_mech_attrs={MA_NOT_DEFAULT})
        self.assertNotIn(MECH, defaults)

    def test_sasl_names(self):
        names = raw.inquire_saslname_for_mech(MECH)
        self.assertTrue(names.sasl_mech_name.startswith(b"GS2-"))
        self.assertEqual(len(names.sasl_mech_name), 15)
        self.assertEqual(names.mech_name, b"ORBI")
        self.assertTrue(names.mech_description)
        self.assertEqual(raw.inquire_mech_for_saslname(names.sasl_mech_name),
                         MECH)


if __name__ == "__main__":
    unittest.main(verbosity=2)

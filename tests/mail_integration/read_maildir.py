# Reads every message of a Maildir's "new" folder strictly with Python's email package,
# as a mail reader would, and prints one JSON object per message: the headers, the
# decoded subject and body, and every defect found. Any encoding a strict decoder refuses
# ends the script with an error.
# Usage: read_maildir.py MAILDIR
import email
import email.header
import email.policy
import json
import os
import sys


def strict_header(value):
    parts = []
    for data, charset in email.header.decode_header(value):
        if isinstance(data, str):
            parts.append(data)
        else:
            parts.append(data.decode(charset or "ascii", "strict"))
    return "".join(parts)


def main():
    folder = os.path.join(sys.argv[1], "new")
    if not os.path.isdir(folder):
        return
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as file:
            message = email.message_from_binary_file(file, policy=email.policy.compat32)
        body = message.get_payload(decode=True)
        charset = message.get_content_charset() or "us-ascii"
        result = {
            "headers": {key: value for key, value in message.items()},
            "subject": strict_header(message["Subject"]),
            "from": strict_header(message["From"]),
            "charset": charset,
            "encoding": message.get("Content-Transfer-Encoding", ""),
            "body": body.decode(charset, "strict"),
            "defects": [type(defect).__name__ for defect in message.defects],
            "date": str(email.utils.parsedate_to_datetime(message["Date"])),
        }
        print(json.dumps(result, ensure_ascii=False), flush=True)


main()

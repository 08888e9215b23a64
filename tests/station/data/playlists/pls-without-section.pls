File1=http://a.example.cn/nosection
Title1=无节名
